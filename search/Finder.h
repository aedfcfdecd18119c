#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QStringView>

class TDataModule1;

namespace quil {
class DataSet;
}

namespace search {

// The items of the find panel's field chooser, by their index in the list.
enum FindItem { FindAuthor, FindTitle, FindKeyWord, FindAbstract, FindPublisher, FindItemCount };

// The chooser's item texts, in the order of FindItem.
QStringList findItemTexts();
// The field of the Book record that an item searches; empty for an index out of range.
QString findFieldName(int item);

enum class FindFrom { First, Next };

struct FindRequest {
    int item = -1; // the chosen item, -1 when none is chosen
    QString text;  // what to look for
    QString year;  // year text; not empty puts the search in year mode
    FindFrom from = FindFrom::First;
    bool yearMode() const { return !year.isEmpty(); }
};

// The match test of one entry for one request: the search text occurs in the field's text,
// exact case, taken as typed; in year mode the year text must also occur in the entry's year
// (City). Texts are compared in UTF-8, as the library stores them: a substring of characters
// is a substring of their bytes.
class EntryMatcher {
public:
    explicit EntryMatcher(const FindRequest &request);
    bool matches(QByteArrayView field, QByteArrayView city) const;
    // For a field whose searched text is made first (an abstract's plain text).
    bool matches(QStringView field, QByteArrayView city) const;

private:
    bool yearHolds(QByteArrayView city) const;

    QString FText;
    QByteArray FTextUtf8;
    QByteArray FYearUtf8;
    bool FYearMode;
};

enum class FindOutcome { NotRun, Found, NotFound };

// The walk of the find panel over the open table in its current order: from the first entry
// or from the one after the current one, to the first entry that matches, which becomes
// current. With no match the entry the user was on stays current and the status bar's panel 1
// says that nothing was found; after a match panel 1 gets what the search found before the
// display comes back and writes the current entry over it. The status bar is the data module's
// (none: nothing is said). The table's display is suspended for the walk and resumed on every
// path out, errors included.
FindOutcome findInTable(quil::DataSet &table, const FindRequest &request, TDataModule1 *status);

// What panel 1 says when nothing matched.
inline const char NothingFound[] = QT_TRANSLATE_NOOP("Finder", "Информация отсутствует");

} // namespace search
