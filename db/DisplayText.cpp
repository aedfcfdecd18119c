#include "db/DisplayText.h"

#include "platform/Plural.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quil {

QString cutForDisplay(const QString &text)
{
    if (text.size() <= DisplayLimit)
        return text;
    return text.left(DisplayLimit) + QStringLiteral(" ...");
}

qsizetype shownHeadLength(QStringView text, qsizetype limit)
{
    if (text.size() <= limit)
        return text.size();
    const bool parts = (text[limit - 1] == u'\r' && text[limit] == u'\n') ||
                       (text[limit - 1].isHighSurrogate() && text[limit].isLowSurrogate());
    return parts ? limit - 1 : limit;
}

QString shownHeadHint(qsizetype shown, qsizetype whole)
{
    if (shown >= whole)
        return {};
    return QCoreApplication::translate("DisplayText", "Показаны первые ") +
           countOf(shown, QCoreApplication::translate("DisplayText", "знак"),
                   QCoreApplication::translate("DisplayText", "знака"),
                   QCoreApplication::translate("DisplayText", "знаков")) +
           QCoreApplication::translate(
               "DisplayText", " из %1; правка меняет показанное, остальное хранится как было")
               .arg(whole);
}

bool hasUnbreakableRun(QStringView text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > LongestWrappedWord)
            return true;
    }
    return false;
}

QTextOption::WrapMode wrapModeFor(const QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (hasUnbreakableRun(block.text()))
            return QTextOption::WrapAnywhere;
    return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

void cutForView(QTextDocument &document)
{
    if (document.characterCount() <= RichViewDisplayLimit + 1)
        return;
    QTextCursor cursor(&document);
    cursor.setPosition(RichViewDisplayLimit);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.insertText(QStringLiteral(" ..."));
}

} // namespace quil
