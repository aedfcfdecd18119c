#include "rtf/RichText.h"

#include "rtf/RtfInterpreter.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextExtractor.h"
#include "rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <cctype>

namespace quil::rtf {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

void appendWithCrLf(QString &out, const QString &text)
{
    for (QChar c : text) {
        if (c == QChar(0x2028))
            out += kCrLf;
        else
            out += c;
    }
}

} // namespace

QFont RichText::defaultFont()
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    return font;
}

bool RichText::isRtf(const QString &value)
{
    qsizetype i = value.startsWith(QChar(0xFEFF)) ? 1 : 0;
    while (i < value.size() && value.at(i).unicode() < 0x80 && std::isspace(value.at(i).unicode()))
        ++i;
    return QStringView(value).mid(i).startsWith(QLatin1String("{\\rtf")) ||
           QStringView(value).mid(i).startsWith(QLatin1String("{\\urtf"));
}

bool RichText::isRtf(const QByteArray &bytes)
{
    return RtfInterpreter::isRtf(bytes.constData(), bytes.size());
}

void RichText::setContent(QTextDocument *document, const QString &value, qsizetype limit)
{
    if (isRtf(value) && RtfReader::read(value, document, limit))
        return;
    // Enough of a plain value for more than `limit` characters, though every CR LF shrinks
    // to one line end.
    setPlainContent(document, limit >= 0 ? value.left(2 * limit + 2) : value);
}

void RichText::setPlainContent(QTextDocument *document, const QString &text)
{
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->setPlainText(normalizedLineEnds(text));
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
}

QString RichText::plainText(const QTextDocument &document)
{
    QString out;
    out.reserve(document.characterCount() + document.blockCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out += kCrLf;
        appendWithCrLf(out, block.text());
    }
    return out;
}

QString RichText::plainTextOf(const QString &value)
{
    bool rtf = false;
    const QString text = RtfTextExtractor::plainText(value, &rtf);
    if (rtf)
        return text;
    QString out;
    const QString lines = normalizedLineEnds(value);
    out.reserve(lines.size() + lines.count(QLatin1Char('\n')));
    for (QChar c : lines) {
        if (c == QLatin1Char('\n'))
            out += kCrLf;
        else
            out += c;
    }
    return out;
}

QString RichText::toRtf(const QTextDocument &document) { return RtfWriter::writeString(document); }

QString RichText::normalizedLineEnds(const QString &text)
{
    QString out = text;
    out.replace(kCrLf, QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.replace(QChar(0x2028), QLatin1Char('\n'));
    out.replace(QChar(0x2029), QLatin1Char('\n'));
    return out;
}

} // namespace quil::rtf
