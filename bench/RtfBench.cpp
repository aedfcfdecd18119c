// The abstract's rich text: reading one into a document, writing it back, and the plain
// text of many abstracts as find and the exports take it.
#include "Bench.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfTextExtractor.h"
#include "rtf/RtfWriter.h"

#include <QStringEncoder>
#include <QTextDocument>

namespace {

QByteArray escaped1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    const QByteArray bytes = encoder.encode(text);
    QByteArray out;
    for (char c : bytes) {
        if ((unsigned char)c < 0x80) {
            out += c;
        } else {
            out += "\\'";
            out += QByteArray::number((unsigned char)c, 16).rightJustified(2, '0');
        }
    }
    return out;
}

// About 2 KB of RichEdit RTF: Cyrillic, a little bold and italic, a Greek letter and a
// sign in the Symbol font, five paragraphs.
QByteArray abstractRtf()
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{"
                     "\\f0\\fnil\\fcharset204{\\*\\fname Times New Roman;}"
                     "Times New Roman CYR;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
                     "\\viewkind4\\uc1\\pard\\lang1049\\f0\\fs24 ";
    rtf += escaped1251(QString::fromUtf8("Исследованы магнитные свойства ")) + "\\b " +
           escaped1251(QString::fromUtf8("тонких плёнок")) + "\\b0  " +
           escaped1251(QString::fromUtf8(
               "оксида цинка, легированного кобальтом, при температурах от 4 до 300 К. "));
    rtf += escaped1251(QString::fromUtf8(
               "Показано, что коэрцитивная сила растёт с толщиной; коэффициент ")) +
           "\\f1 a\\f0  " + escaped1251(QString::fromUtf8("равен 0,5 ")) +
           "\\f1\\'b1\\f0  0,1.\\par\r\n";
    for (int i = 0; i < 3; ++i) {
        rtf += "\\i " + escaped1251(QString::fromUtf8("Методика. ")) + "\\i0 " +
               escaped1251(QString::fromUtf8(
                   "Образцы получены методом магнетронного распыления на подложках "
                   "из сапфира; состав контролировался рентгеновским микроанализом, "
                   "структура — дифракцией электронов.")) +
               "\\par\r\n";
    }
    rtf += escaped1251(
               QString::fromUtf8("Ключевые слова: ферромагнетизм, полупроводники, спинтроника.")) +
           "\\par\r\n}\r\n";
    return rtf;
}

void runRtf(const quilbench::Options &options)
{
    const QByteArray rtf = abstractRtf();
    const int runs = std::max(options.runs, 201);

    QTextDocument document;
    const double read =
        quilbench::medianMs(runs, [&] { quil::rtf::RtfReader::read(rtf, &document); });
    quilbench::report(QStringLiteral("rtf_read"), read);

    QByteArray written;
    const double write =
        quilbench::medianMs(runs, [&] { written = quil::rtf::RtfWriter::write(document); });
    quilbench::report(QStringLiteral("rtf_write"), write);

    qsizetype characters = 0;
    const double text = quilbench::medianMs(std::min(options.runs, 3), [&] {
        for (int i = 0; i < 100000; ++i)
            characters += quil::rtf::RtfTextExtractor::plainText(rtf).size();
    });
    quilbench::report(QStringLiteral("rtf_text_100k"), text);
    if (characters == 0 || written.isEmpty())
        quilbench::report(QStringLiteral("rtf_failed"), -1);
}

// One paragraph of 16,000 runs, as a pasted page of a formatted article gives.
void runRuns16k(const quilbench::Options &options)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}\\f0 ";
    for (int i = 0; i < 8000; ++i)
        rtf += "{\\b w" + QByteArray::number(i) + "}{\\i x} ";
    rtf += "\\par}";
    const int runs = std::max(options.runs, 5);
    QTextDocument document;
    const double read =
        quilbench::medianMs(runs, [&] { quil::rtf::RtfReader::read(rtf, &document); });
    quilbench::report(QStringLiteral("rtf_runs_16k_read"), read);
    qsizetype characters = 0;
    const double text = quilbench::medianMs(
        runs, [&] { characters += quil::rtf::RtfTextExtractor::plainText(rtf).size(); });
    quilbench::report(QStringLiteral("rtf_runs_16k_text"), text);
    if (characters == 0)
        quilbench::report(QStringLiteral("rtf_failed"), -1);
}

} // namespace

QUIL_BENCH_SUITE(rtf, runRtf);
QUIL_BENCH_SUITE(rtf_runs_16k, runRuns16k);
