#pragma once

// Helpers shared by the RTF tests: the two ways of getting text out of RTF.
#include "rtf/RichText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextExtractor.h"

#include <QByteArray>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace rtftest {

// The text of the document that the reader builds.
inline QString readText(const QByteArray &rtf)
{
    QTextDocument document;
    quil::rtf::RtfReader::read(rtf, &document);
    return quil::rtf::RichText::plainText(document);
}

inline QString extractText(const QByteArray &rtf)
{
    return quil::rtf::RtfTextExtractor::plainText(rtf);
}

// Both ways must give the expected text.
inline void compareText(const QByteArray &rtf, const QString &expected)
{
    QCOMPARE(extractText(rtf), expected);
    QCOMPARE(readText(rtf), expected);
}

// The format of the last character of the first occurrence of probe.
inline QTextCharFormat formatOf(const QTextDocument &document, const QString &probe)
{
    const QTextCursor found = document.find(probe, 0, QTextDocument::FindCaseSensitively);
    return found.isNull() ? QTextCharFormat() : found.charFormat();
}

// Hand-written RTF as bytes (the sources hold only ASCII).
inline QByteArray rtf(const char *text) { return QByteArray(text); }

} // namespace rtftest
