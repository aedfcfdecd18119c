#include "store/TextIndex.h"

#include "db/Engine.h"
#include "rtf/RichText.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

namespace textindex {
namespace {

// Raised whenever what the index holds for a text would differ (the tokenizer, the fields, the
// abstract's plain text): a library indexed otherwise is indexed again when next opened.
constexpr int Version = 1;
constexpr int RowsPerStep = 2000;

const QString Changed = QStringLiteral("BooksTextChanged");
const QString State = QStringLiteral("BooksTextState");
const char *const AbstractFunction = "quil_abstract_text";

struct Part {
    QString field; // in Books
    QString table; // the FTS5 table
    bool abstract;
};

const Part Parts[] = {
    {book::Name, QStringLiteral("BooksTextName"), false},
    {book::Title, QStringLiteral("BooksTextTitle"), false},
    {book::WPublisher, QStringLiteral("BooksTextPublisher"), false},
    {book::Location, QStringLiteral("BooksTextKeywords"), false},
    {book::Resume, QStringLiteral("BooksTextAbstract"), true},
};

const Part *partOf(const QString &field)
{
    for (const Part &part : Parts)
        if (part.field.compare(field, Qt::CaseInsensitive) == 0)
            return &part;
    return nullptr;
}

// What the index holds of a field's value in SQL: the abstract's plain text, else the text.
QString indexed(const Part &part, const QString &value)
{
    return part.abstract ? QStringLiteral("%1(%2)").arg(QLatin1String(AbstractFunction), value)
                         : value;
}

QString fieldList(const QString &prefix)
{
    QStringList names;
    for (const Part &part : Parts)
        names << prefix + part.field;
    return names.join(QStringLiteral(", "));
}

// The schema, each object with the text the engine keeps of it, so a changed one is seen.
struct Object {
    QString name;
    QString type;
    QString sql;
};

std::vector<Object> objects()
{
    std::vector<Object> all;
    for (const Part &part : Parts)
        // No copy of the text (content='') and no positions (detail=none): the index names
        // entries, and the find tests them itself.
        all.push_back({part.table, QStringLiteral("table"),
                       QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(t, content='', "
                                      "columnsize=0, detail=none, tokenize='trigram "
                                      "case_sensitive 0')")
                           .arg(part.table)});
    all.push_back({Changed, QStringLiteral("table"),
                   QStringLiteral("CREATE TABLE %1 (key INTEGER PRIMARY KEY, indexed INTEGER, %2)")
                       .arg(Changed, fieldList(QString()))});
    all.push_back(
        {State, QStringLiteral("table"),
         QStringLiteral("CREATE TABLE %1 (version INTEGER, schema INTEGER, entries INTEGER)")
             .arg(State)});
    // The first note of an entry keeps the texts the index holds for it.
    const QString noteOld =
        QStringLiteral("INSERT OR IGNORE INTO %1 (key, indexed, %2) VALUES (old.key, 1, %3);")
            .arg(Changed, fieldList(QString()), fieldList(QStringLiteral("old.")));
    const QString noteNew =
        QStringLiteral("INSERT OR IGNORE INTO %1 (key, indexed) VALUES (new.key, 0);").arg(Changed);
    const QString count = QStringLiteral("UPDATE %1 SET entries = entries %2 1;").arg(State);
    all.push_back({QStringLiteral("BooksTextInsert"), QStringLiteral("trigger"),
                   QStringLiteral("CREATE TRIGGER BooksTextInsert AFTER INSERT ON Books BEGIN %1 "
                                  "%2 END")
                       .arg(noteNew, count.arg(QLatin1Char('+')))});
    all.push_back({QStringLiteral("BooksTextUpdate"), QStringLiteral("trigger"),
                   QStringLiteral("CREATE TRIGGER BooksTextUpdate AFTER UPDATE OF key, %1 ON "
                                  "Books BEGIN %2 %3 END")
                       .arg(fieldList(QString()), noteOld, noteNew)});
    all.push_back({QStringLiteral("BooksTextDelete"), QStringLiteral("trigger"),
                   QStringLiteral("CREATE TRIGGER BooksTextDelete AFTER DELETE ON Books BEGIN %1 "
                                  "%2 END")
                       .arg(noteOld, count.arg(QLatin1Char('-')))});
    return all;
}

qint64 single(quil::Engine &engine, const QString &sql)
{
    const auto q = engine.prepareOrThrow(sql);
    quil::execOrThrow(*q);
    const qint64 value = q->next() ? q->integer(0) : 0;
    quil::checkFinished(*q);
    return value;
}

const QString SchemaVersion = QStringLiteral("(SELECT schema_version FROM pragma_schema_version)");

void stamp(quil::Engine &engine)
{
    engine.executeOrThrow(QStringLiteral("UPDATE %1 SET schema = %2").arg(State, SchemaVersion));
}

// Every object as made, and as many entries counted as the table has: only the schema moved
// (an index added to Books), so the stamp is renewed instead of indexing everything again.
bool intact(quil::Engine &engine)
{
    const auto q = engine.prepare(
        QStringLiteral("SELECT type, sql FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
    if (!q)
        return false;
    for (const Object &object : objects()) {
        q->bind(0, object.name);
        if (!q->exec() || !q->next() || q->value(0).toString() != object.type ||
            q->value(1).toString() != object.sql)
            return false;
        q->reset();
    }
    const auto counts = engine.prepare(
        QStringLiteral("SELECT version = %1 AND entries = (SELECT count(*) FROM Books) FROM %2")
            .arg(Version)
            .arg(State));
    return counts && counts->exec() && counts->next() && counts->integer(0) == 1;
}

// Which trigrams of a run a query names. Side by side, every character is in one of them: few
// terms, enough where the texts' other parts narrow the result (a selection). Overlapping, the
// engine steps through them all by the rarest: a find's one text of common words is otherwise
// held, in another order, by many times the entries that hold it (27,000 for a title's 12
// letters that 600 of 200,000 hold), each then read.
enum class Trigrams { SideBySide, Overlapping };

// Trigrams that every text holding the run must hold too, as FTS5 strings; a quote is doubled.
void addTrigrams(const QList<uint> &run, QStringList &terms, Trigrams which = Trigrams::SideBySide)
{
    if (run.size() < 3)
        return;
    const auto add = [&](qsizetype at) {
        QString term =
            QString::fromUcs4(reinterpret_cast<const char32_t *>(run.constData() + at), 3);
        term.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        term = QLatin1Char('"') + term + QLatin1Char('"');
        if (!terms.contains(term))
            terms << term;
    };
    const qsizetype step = which == Trigrams::Overlapping ? 1 : 3;
    for (qsizetype at = 0; at + 3 <= run.size(); at += step)
        add(at);
    add(run.size() - 3);
}

std::unordered_set<qint64> keysOf(quil::Engine &engine, const Part &part, const QString &match,
                                  const std::vector<std::pair<QString, QString>> &holding)
{
    // The entries the index names are read by key in the order it gives them, and their texts
    // compared by the engine: no round trip per entry. The browse index holds the year, author
    // and title beside the key, a fraction of an entry's row.
    QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ?").arg(part.table);
    if (!holding.empty()) {
        bool browsed = engine.hasIndex(QStringLiteral("BooksBrowse"));
        QString tests;
        for (const auto &[column, text] : holding) {
            browsed = browsed && QStringList{book::City, book::Name, book::Title}.contains(
                                     column, Qt::CaseInsensitive);
            tests += QStringLiteral(" AND instr(b.[%1], ?) > 0").arg(column);
        }
        sql = QStringLiteral("SELECT f.rowid FROM %1 f CROSS JOIN Books b %2 ON b.key = f.rowid "
                             "WHERE %1 MATCH ?%3")
                  .arg(part.table, browsed ? QStringLiteral("INDEXED BY BooksBrowse") : QString(),
                       tests);
    }
    const auto q =
        engine.prepareOrThrow(sql + QStringLiteral(" UNION ALL SELECT key FROM ") + Changed);
    q->bind(0, match);
    int bound = 1;
    for (const auto &entry : holding)
        q->bind(bound++, entry.second);
    quil::execOrThrow(*q);
    std::unordered_set<qint64> keys;
    while (q->next())
        keys.insert(q->integer(0));
    quil::checkFinished(*q);
    return keys;
}

// Eight bytes at a time: the test runs over every abstract of the library.
bool isAscii(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    quint64 bits = 0;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        bits |= word;
    }
    for (; p < end; ++p)
        bits |= uchar(*p);
    return (bits & 0x8080808080808080ULL) == 0;
}

} // namespace

AbstractText::AbstractText() : FExtractor(std::make_unique<quil::rtf::RtfTextExtractor>()) {}

AbstractText::~AbstractText() = default;

// RTF as the editor writes it is ASCII, which the extractor reads as it is, without a round
// through UTF-16, into buffers it keeps from one abstract to the next.
QStringView AbstractText::of(const QByteArray &utf8)
{
    if (isAscii(utf8) && quil::rtf::RichText::isRtf(utf8))
        return FExtractor->text(utf8);
    FOther = quil::rtf::RichText::plainTextOf(QString::fromUtf8(utf8));
    return FOther;
}

bool inStep(quil::Engine &engine)
{
    if (!engine.keepsTextIndex())
        return false;
    const auto q = engine.prepare(QStringLiteral("SELECT version = %1 AND schema = %2 FROM %3")
                                      .arg(Version)
                                      .arg(SchemaVersion, State));
    return q && q->exec() && q->next() && q->integer(0) == 1;
}

void keepInStepAcross(quil::Engine &engine, const std::function<void()> &change)
{
    const bool was = inStep(engine);
    change();
    if (was && !inStep(engine))
        stamp(engine);
}

void rebuild(quil::Engine &engine, const Progress &progress)
{
    if (!engine.begin(quil::Engine::Transaction::Bulk))
        quil::throwEngineError(engine.error());
    try {
        const std::vector<Object> all = objects();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            engine.executeOrThrow(
                QStringLiteral("DROP %1 IF EXISTS %2").arg(it->type.toUpper(), it->name));
        for (const Object &object : all)
            engine.executeOrThrow(object.sql);
        engine.executeOrThrow(
            QStringLiteral("INSERT INTO %1 VALUES (%2, 0, (SELECT count(*) FROM Books))")
                .arg(State)
                .arg(Version));
        const int total = int(single(engine, QStringLiteral("SELECT entries FROM ") + State));
        // Key ranges of a few thousand entries, so that progress can be told between them.
        const auto step = engine.prepareOrThrow(
            QStringLiteral("SELECT max(key), count(*) FROM (SELECT key FROM Books WHERE key >= ? "
                           "ORDER BY key LIMIT %1)")
                .arg(RowsPerStep));
        std::vector<std::unique_ptr<quil::Statement>> fills;
        for (const Part &part : Parts)
            fills.push_back(engine.prepareOrThrow(
                QStringLiteral("INSERT INTO %1 (rowid, t) SELECT key, %2 FROM Books WHERE key "
                               "BETWEEN ? AND ?")
                    .arg(part.table, indexed(part, part.field))));
        qint64 from = std::numeric_limits<qint64>::min();
        int done = 0;
        for (;;) {
            step->bindInteger(0, from);
            quil::execOrThrow(*step);
            if (!step->next() || step->integer(1) == 0)
                break;
            const qint64 to = step->integer(0);
            done += int(step->integer(1));
            step->reset();
            for (const auto &fill : fills) {
                fill->bindInteger(0, from);
                fill->bindInteger(1, to);
                quil::execOrThrow(*fill);
                fill->reset();
            }
            // Stopped, the index is not made: find walks the table until the next open makes it.
            if (progress && !progress(done, std::max(done, total))) {
                step->reset();
                engine.rollback();
                return;
            }
            if (to == std::numeric_limits<qint64>::max())
                break;
            from = to + 1;
        }
        step->reset();
        stamp(engine);
        if (!engine.commit())
            quil::throwEngineError(engine.error());
    } catch (...) {
        engine.rollback();
        throw;
    }
}

namespace {

// How many entries are noted, counted no further than most + 1.
int notedUpTo(quil::Engine &engine, int most)
{
    return int(single(engine, QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 LIMIT %2)")
                                  .arg(Changed)
                                  .arg(most + 1)));
}

// The noted entries up to the key given are indexed again and their notes dropped.
void indexNoted(quil::Engine &engine, qint64 upTo)
{
    const QString noted =
        QStringLiteral("(SELECT * FROM %1 WHERE key <= %2)").arg(Changed).arg(upTo);
    for (const Part &part : Parts) {
        engine.executeOrThrow(QStringLiteral("INSERT INTO %1 (%1, rowid, t) SELECT 'delete', key, "
                                             "%2 FROM %3 WHERE indexed")
                                  .arg(part.table, indexed(part, part.field), noted));
        // The noted entries looked up by key (CROSS JOIN keeps that order): not a pass over the
        // whole table.
        engine.executeOrThrow(
            QStringLiteral("INSERT INTO %1 (rowid, t) SELECT b.key, %2 FROM %3 c CROSS JOIN "
                           "Books b ON b.key = c.key")
                .arg(part.table, indexed(part, QStringLiteral("b.") + part.field), noted));
    }
    engine.executeOrThrow(QStringLiteral("DELETE FROM %1 WHERE key <= %2").arg(Changed).arg(upTo));
}

} // namespace

void prepare(quil::Engine &engine, bool readOnly, const std::function<bool()> &fileIsWhole,
             const Progress &progress)
{
    if (!engine.keepsTextIndex())
        return;
    engine.defineTextFunction(
        AbstractFunction, [text = std::make_shared<AbstractText>()](QByteArrayView utf8) {
            return text->of(QByteArray::fromRawData(utf8.data(), utf8.size())).toUtf8();
        });
    if (readOnly)
        return;
    try {
        if (inStep(engine)) {
            // What another program changed since is indexed now, not at the next store.
            // Many are left to the steps that follow the open.
            const int noted = notedUpTo(engine, FewNoted);
            if (noted == 0 || noted > FewNoted || !engine.begin(quil::Engine::Transaction::Store))
                return;
            catchUp(engine);
            if (!engine.commit())
                engine.rollback();
            return;
        }
        if (intact(engine)) {
            stamp(engine);
            return;
        }
        if (fileIsWhole())
            rebuild(engine, progress);
    } catch (const quil::Error &) {
        // The library opens without it (a full disk, say): find walks the table instead.
    }
}

void catchUp(quil::Engine &engine)
{
    if (!inStep(engine) || !engine.execute(QStringLiteral("SAVEPOINT textindex")))
        return;
    try {
        const int noted = notedUpTo(engine, FewNoted);
        if (noted != 0 && noted <= FewNoted)
            indexNoted(engine, std::numeric_limits<qint64>::max());
        engine.executeOrThrow(QStringLiteral("RELEASE textindex"));
    } catch (const quil::Error &) {
        engine.execute(QStringLiteral("ROLLBACK TO textindex"));
        engine.execute(QStringLiteral("RELEASE textindex"));
    }
}

bool manyNoted(quil::Engine &engine)
{
    try {
        return inStep(engine) && notedUpTo(engine, FewNoted) > FewNoted;
    } catch (const quil::Error &) {
        return false;
    }
}

bool catchUpStep(quil::Engine &engine, int entries)
{
    if (!inStep(engine))
        return false;
    if (!engine.begin(quil::Engine::Transaction::Store))
        quil::throwEngineError(engine.error());
    try {
        if (notedUpTo(engine, 0) == 0) {
            engine.rollback();
            return false;
        }
        const qint64 upTo =
            single(engine,
                   QStringLiteral("SELECT max(key) FROM (SELECT key FROM %1 ORDER BY key LIMIT %2)")
                       .arg(Changed)
                       .arg(entries));
        indexNoted(engine, upTo);
        const bool more = notedUpTo(engine, 0) != 0;
        if (!engine.commit())
            quil::throwEngineError(engine.error());
        return more;
    } catch (...) {
        engine.rollback();
        throw;
    }
}

std::optional<std::unordered_set<qint64>>
candidates(quil::Engine &engine, const QString &field, const QString &text,
           const std::vector<std::pair<QString, QString>> &holding)
{
    const Part *part = partOf(field);
    if (!part)
        return std::nullopt;
    QStringList terms;
    addTrigrams(text.toUcs4(), terms, Trigrams::Overlapping);
    if (terms.isEmpty() || !inStep(engine))
        return std::nullopt;
    return keysOf(engine, *part, terms.join(QStringLiteral(" AND ")), holding);
}

std::optional<std::vector<qint64>>
likeCandidates(quil::Engine &engine, const std::vector<std::pair<QString, QString>> &fieldTexts,
               size_t limit)
{
    // The texts of one field are one query (their trigrams joined by AND).
    std::vector<std::pair<const Part *, QStringList>> matches;
    for (const auto &[field, text] : fieldTexts) {
        const Part *part = partOf(field);
        if (!part || part->abstract)
            continue;
        QStringList terms;
        QList<uint> run;
        bool folds = true;
        for (const uint c : text.toUcs4()) {
            // LIKE folds every alphabet; the index is known to fold these two the same way.
            if (c >= 0x80 && (c < 0x400 || c > 0x45F))
                folds = false;
            if (c == '%' || c == '_') {
                addTrigrams(run, terms);
                run.clear();
            } else {
                run << c;
            }
        }
        addTrigrams(run, terms);
        if (!folds || terms.isEmpty())
            continue;
        const auto same = std::find_if(matches.begin(), matches.end(),
                                       [&](const auto &match) { return match.first == part; });
        if (same == matches.end())
            matches.emplace_back(part, terms);
        else
            same->second << terms;
    }
    if (matches.empty() || !inStep(engine))
        return std::nullopt;
    // A pass over the whole file grows with it, entries read by key only with their number.
    limit = std::max(limit,
                     size_t(single(engine, QStringLiteral("SELECT entries FROM ") + State)) / 20);
    // Each field's keys come in key order and are met with those kept so far as they come: the
    // engine's INTERSECT would first copy every one of them into a table of its own.
    std::vector<qint64> keys;
    bool first = true;
    for (const auto &[part, terms] : matches) {
        const auto q = engine.prepareOrThrow(
            QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ? ORDER BY rowid")
                .arg(part->table));
        q->bind(0, terms.join(QStringLiteral(" AND ")));
        quil::execOrThrow(*q);
        std::vector<qint64> kept;
        auto at = keys.cbegin();
        bool past = false; // beyond the last key kept so far: the rest cannot be met
        while (!past && q->next()) {
            const qint64 key = q->integer(0);
            if (!first) {
                at = std::lower_bound(at, keys.cend(), key);
                past = at == keys.cend();
                if (past || *at != key)
                    continue;
            }
            kept.push_back(key);
        }
        if (!past)
            quil::checkFinished(*q);
        q->reset();
        keys = std::move(kept);
        first = false;
        if (keys.empty())
            break;
    }
    // Entries changed since they were indexed may match whatever the index says of them.
    const auto noted = engine.prepareOrThrow(QStringLiteral("SELECT key FROM ") + Changed);
    quil::execOrThrow(*noted);
    std::vector<qint64> changed;
    while (noted->next())
        changed.push_back(noted->integer(0));
    quil::checkFinished(*noted);
    std::sort(changed.begin(), changed.end());
    std::vector<qint64> all;
    std::set_union(keys.begin(), keys.end(), changed.begin(), changed.end(),
                   std::back_inserter(all));
    if (all.size() > limit)
        return std::nullopt;
    return all;
}

} // namespace textindex
