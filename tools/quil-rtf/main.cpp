// quil-rtf: the program's RTF layer from the command line.
//   quil-rtf text FILE   the plain text of an RTF or text file, in UTF-8
//   quil-rtf rtf FILE    the file (RTF or text) written again as the program writes RTF
#include "platform/Error.h"
#include "rtf/AbstractFile.h"
#include "rtf/RichText.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

using namespace quil::rtf;

int main(int argc, char **argv)
{
    if (argc != 3 || (qstrcmp(argv[1], "text") != 0 && qstrcmp(argv[1], "rtf") != 0)) {
        std::fprintf(stderr, "usage: quil-rtf text|rtf FILE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    try {
        QTextDocument document;
        document.setDefaultFont(RichText::defaultFont());
        AbstractFile::load(path, &document);
        const QByteArray out = qstrcmp(argv[1], "text") == 0
                                   ? RichText::plainText(document).toUtf8()
                                   : RtfWriter::write(document);
        if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()) ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "quil-rtf: cannot write the output\n");
            return 1;
        }
    } catch (const quil::Error &e) {
        std::fprintf(stderr, "quil-rtf: %s: %s\n", argv[2], e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
