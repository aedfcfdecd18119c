#pragma once

#include <QString>
#include <QStringView>
#include <QTextOption>

class QTextDocument;

namespace quil {

// Text laid out for display costs time that grows faster than its length; a control shows far
// fewer characters than a library value may hold. These keep what is shown bounded, so that a
// value of megabytes costs no more to show than its first screenful.

// Characters of a value that a one-line display (grid cell, status panel) shows at most.
inline constexpr int DisplayLimit = 1024;

// The text as a one-line display shows it: whole up to DisplayLimit characters, else its first
// DisplayLimit characters followed by " ...".
QString cutForDisplay(const QString &text);

// Characters of a value that a memo holds for display; a longer value shows its head, and
// what the user types there is stored in front of the rest, which is kept as it was.
inline constexpr int MemoDisplayLimit = 16384;

// How much of a value an edit control shows: the whole text up to `limit` characters, else a
// head of at most `limit` that never parts a surrogate pair or a CR LF, so that the head as
// edited followed by the rest is a whole value again.
qsizetype shownHeadLength(QStringView text, qsizetype limit);
// The control's hint for a value shown cut, empty when all of it is shown.
QString shownHeadHint(qsizetype shown, qsizetype whole);

// What an edit control keeps of the value it shows the head of: the whole value, to store the
// head as edited in front of the rest.
class ShownHead {
public:
    explicit ShownHead(qsizetype limit) : FLimit(limit) {}
    // Takes the field's new value and gives the head to show; hintChanged tells whether the
    // control's hint is to be set anew (hint()).
    QStringView take(const QString &value, bool &hintChanged)
    {
        const qsizetype shown = shownHeadLength(value, FLimit);
        hintChanged = shown < value.size() || FShown < FValue.size();
        FValue = value;
        FShown = shown;
        return QStringView(FValue).left(FShown);
    }
    QString hint() const { return shownHeadHint(FShown, FValue.size()); }
    // The value to store: the head as edited, followed by the part not shown.
    QString whole(QString edited) const { return edited.append(QStringView(FValue).mid(FShown)); }

private:
    qsizetype FLimit;
    QString FValue;
    qsizetype FShown = 0;
};

// Wrapping at word boundaries looks, for every line, for the end of the word the line breaks
// in: a run of characters without a blank longer than this makes the layout quadratic in the
// run's length, so such a text is wrapped anywhere instead.
inline constexpr int LongestWrappedWord = 512;

// The text holds a run of more than LongestWrappedWord characters without white space.
bool hasUnbreakableRun(QStringView text);
// How a view wraps a document: anywhere when one of its paragraphs holds such a run, else at
// word boundaries. A view must take the mode before it is given the document.
QTextOption::WrapMode wrapModeFor(const QTextDocument &document);

// Characters of a document that a read-only view shows at most; the rest is cut off.
inline constexpr int RichViewDisplayLimit = 16384;
// Cuts a document for a read-only view: a longer one ends in " ..." after the limit.
void cutForView(QTextDocument &document);

} // namespace quil
