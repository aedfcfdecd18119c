#include "widgets/LinkHighlighter.h"

#include "editor/LinkFinder.h"

#include <QTextBlock>
#include <QTextDocument>

namespace quil {

LinkHighlighter::LinkHighlighter(QObject *parent) : QSyntaxHighlighter(parent) {}

QString LinkHighlighter::linkAt(const QTextDocument &document, int position)
{
    const QTextBlock block = document.findBlock(position);
    if (!block.isValid())
        return {};
    return LinkFinder::at(block.text(), position - block.position()).text;
}

void LinkHighlighter::highlightBlock(const QString &text)
{
    QTextCharFormat link;
    link.setFontUnderline(true);
    link.setForeground(QColor(0, 0, 255));
    for (const LinkFinder::Link &found : LinkFinder::find(text))
        setFormat(found.start, found.length, link);
}

} // namespace quil
