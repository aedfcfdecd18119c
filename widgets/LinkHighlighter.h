#pragma once

#include <QSyntaxHighlighter>

class QTextDocument;

namespace quil {

// Shows the links of an abstract (web and mail addresses, file links) underlined in blue while
// the editor displays it. The marks live in the layout only: the document, its undo history
// and the RTF written from it never see them.
class LinkHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit LinkHighlighter(QObject *parent = nullptr);

    // The link whose text holds the character at a document position, or an empty string.
    static QString linkAt(const QTextDocument &document, int position);

protected:
    void highlightBlock(const QString &text) override;
};

} // namespace quil
