#pragma once

#include <QString>
#include <QStringView>

namespace quil {

// Text laid out for display costs time that grows faster than its length; a control shows far
// fewer characters than a library value may hold. These keep what is shown bounded, so that a
// value of megabytes costs no more to show than its first screenful.

// Characters of a value that a one-line display (grid cell, status panel) shows at most.
inline constexpr int DisplayLimit = 1024;

// The text as a one-line display shows it: whole up to DisplayLimit characters, else its first
// DisplayLimit characters followed by " ...".
QString cutForDisplay(const QString &text);

// Characters of a value that a memo holds for display; a longer value is shown cut and stays
// read-only until the user agrees to store the part shown.
inline constexpr int MemoDisplayLimit = 16384;

// Wrapping at word boundaries looks, for every line, for the end of the word the line breaks
// in: a run of characters without a blank longer than this makes the layout quadratic in the
// run's length, so such a text is wrapped anywhere instead.
inline constexpr int LongestWrappedWord = 512;

// The text holds a run of more than LongestWrappedWord characters without white space.
bool hasUnbreakableRun(QStringView text);

} // namespace quil
