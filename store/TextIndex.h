#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quil {
class Engine;
namespace rtf {
class RtfTextExtractor;
}
} // namespace quil

// The index of every searched text of a library: author, title, publisher, keywords and the
// abstract's plain text, each in an FTS5 table of its own with the trigram tokenizer (case
// folded), keyed by the entry's key. It only narrows: whoever asks it still tests each entry
// it names, so a text it holds in another case or an entry changed since costs time, never a
// wrong answer.
//
// Kept in step in two halves. Triggers in plain SQL, which every program that writes the file
// runs, note each entry inserted, changed or deleted in BooksTextChanged, with the texts the
// index holds for it. The program's own stores then bring the index up to date inside their
// transaction when few entries are noted (catchUp, through Connection::BeforeCommit); many (an
// import's, another program's) are indexed afterwards in short steps (catchUpStep). Noted
// entries count as possible matches until then.
namespace textindex {

// The plain text of stored abstracts (UTF-8 as the library stores them), one after another.
class AbstractText {
public:
    AbstractText();
    ~AbstractText();
    AbstractText(const AbstractText &) = delete;
    AbstractText &operator=(const AbstractText &) = delete;
    // Valid until the next call.
    QStringView of(const QByteArray &utf8);

private:
    std::unique_ptr<quil::rtf::RtfTextExtractor> FExtractor;
    QString FOther;
};

using Progress = std::function<bool(int done, int total)>; // false: stop

// On every open of a library: the engine learns the abstract's text function, and a file that
// may be written gets its index when it has none or one that is not in step (made by another
// program or an older one), reporting how far it got; but only when fileIsWhole says so, since
// a damaged file must stay as it is. A read-only file is left as it is.
void prepare(quil::Engine &engine, bool readOnly, const std::function<bool()> &fileIsWhole,
             const Progress &progress = {});
// Makes the index anew from every entry, in one transaction of its own.
void rebuild(quil::Engine &engine, const Progress &progress = {});
// A store indexes the noted entries itself when at most this many; more (an import's, another
// program's) are left to catchUpStep, and meanwhile count as possible matches.
constexpr int FewNoted = 200;
// Inside a store's open transaction: the entries noted as changed are indexed again, when few.
// Raises nothing; what fails stays noted.
void catchUp(quil::Engine &engine);
// More entries are noted than a store indexes itself.
bool manyNoted(quil::Engine &engine);
// In a transaction of its own, so that a store waits for one step at most: the first `entries`
// noted entries (by key) are indexed again. Whether any stay noted; a step that fails is undone
// and raises quil::Error.
bool catchUpStep(quil::Engine &engine, int entries);
// The index exists and nothing has changed the file's schema since it was made: it and the
// noted changes together cover every entry. Cheap.
bool inStep(quil::Engine &engine);
// Runs a change of the schema that leaves Books and the index as they are (a side table
// made), and an index in step before stays so.
void keepInStepAcross(quil::Engine &engine, const std::function<void()> &change);

// The keys of the entries whose field (Name, Title, WPublisher, Location or Resume) may contain
// the text, in any letter case; nothing when the index cannot tell (no index in step, another
// field, a text shorter than three characters).
// With `holding`, each a column of Books and a text, an entry the index names is kept only when
// each of those columns holds its text as given (exact case, in the file itself); the entries
// changed since they were indexed are named untested.
std::optional<std::unordered_set<qint64>>
candidates(quil::Engine &engine, const QString &field, const QString &text,
           const std::vector<std::pair<QString, QString>> &holding = {});
// For LIKE's "%text%" as the selection folds it, several fields each with its text: the keys
// of every entry that may match them all, when the index narrows them to at most `limit`
// entries or a twentieth of the library, whichever is more; nothing when it would not (no index in
// step, no run of three characters between the pattern's own "%" and "_" in any text, a letter the
// index folds otherwise than LIKE, too many entries left).
std::optional<std::vector<qint64>>
likeCandidates(quil::Engine &engine, const std::vector<std::pair<QString, QString>> &fieldTexts,
               size_t limit);

} // namespace textindex
