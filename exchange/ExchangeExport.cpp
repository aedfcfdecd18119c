#include "exchange/ExchangeExport.h"

#include "db/Connection.h"
#include "db/DataSet.h"
#include "db/Engine.h"
#include "exchange/Latex.h"
#include "exchange/Mapping.h"
#include "exchange/Originals.h"
#include "export/ListExport.h"
#include "rtf/RichText.h"
#include "rtf/RtfTextExtractor.h"
#include "store/Book.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringEncoder>
#include <QStringTokenizer>
#include <QThread>
#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#ifdef Q_OS_LINUX
#include <fcntl.h>
#endif

namespace quil::exchange {
namespace {

// Keys bound per statement, well below the engine's limit on parameters.
constexpr int PageRows = 256;
constexpr qsizetype PieceSize = 256 * 1024;

QString valueOf(const QString &text)
{
    QString value = text.trimmed();
    return value == book::NewText ? QString() : value;
}

// A character the splits below leave to the regular expressions: where line ends and pairs of
// UTF-16 units would make the two disagree.
bool leftToPattern(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x85 || u == 0x180E || u == 0x2028 || u == 0x2029 || c.isSurrogate();
}

// Where "^(.+?)\s+((?:\p{Lu}\p{Ll}?\.\s*-?\s*)+)$" splits a name: the end of the surname
// and the start of the initials; false when it does not match. Every author of every export
// passes here, which the pattern made a tenth of the work. Its blanks are ASCII ones: a
// no-break space ties a name together.
bool splitInitials(QStringView text, qsizetype &surnameEnd, qsizetype &initials)
{
    const qsizetype n = text.size();
    const auto blank = [](QChar c) { return c == u' '; };
    const auto initialsToEnd = [&](qsizetype j) {
        if (j == n)
            return false;
        while (j < n) {
            if (!text[j].isUpper())
                return false;
            if (++j < n && text[j].isLower())
                ++j;
            if (j == n || text[j] != u'.')
                return false;
            ++j;
            while (j < n && blank(text[j]))
                ++j;
            if (j < n && text[j] == u'-')
                ++j;
            while (j < n && blank(text[j]))
                ++j;
        }
        return true;
    };
    for (qsizetype i = 1; i < n; ++i) {
        if (!blank(text[i]))
            continue;
        qsizetype j = i;
        while (j < n && blank(text[j]))
            ++j;
        if (initialsToEnd(j)) {
            surnameEnd = i;
            initials = j;
            return true;
        }
    }
    return false;
}

// A name split as personOf splits it, its parts still in the text: the initials keep their
// blanks; a corporate name is all literal.
struct NameView {
    QStringView family;
    QStringView initials;
    QStringView literal;
};

// Surname then initials: "Ландау Л.Д.", "Smith J.-P."; anything else is a corporate name.
NameView nameOf(QStringView text)
{
    NameView name;
    qsizetype surnameEnd = 0;
    qsizetype initials = 0;
    bool matched = false;
    if (std::any_of(text.begin(), text.end(), leftToPattern)) {
        static const QRegularExpression pattern(
            QStringLiteral("^(.+?)\\s+((?:\\p{Lu}\\p{Ll}?\\.\\s*-?\\s*)+)$"));
        const QRegularExpressionMatch m = pattern.match(text.toString());
        matched = m.hasMatch();
        surnameEnd = m.capturedEnd(1);
        initials = m.capturedStart(2);
    } else {
        matched = splitInitials(text, surnameEnd, initials);
    }
    if (matched) {
        name.family = text.left(surnameEnd).trimmed();
        name.initials = text.mid(initials);
    } else if (!text.contains(QLatin1Char(' '))) {
        name.family = text;
    } else {
        name.literal = text;
    }
    return name;
}

PersonName personOf(const QString &text)
{
    const NameView view = nameOf(text);
    PersonName name;
    if (!view.literal.isEmpty())
        name.literal = text;
    else if (view.family.size() == text.size())
        name.family = text;
    else
        name.family = view.family.toString();
    name.given = view.initials.toString().remove(QLatin1Char(' '));
    return name;
}

// The first run of four ASCII digits, as "\d{4}" finds it.
QString fourDigits(const QString &text)
{
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        run = text[i] >= u'0' && text[i] <= u'9' ? run + 1 : 0;
        if (run == 4)
            return text.mid(i - 3, 4);
    }
    return {};
}

// The names of an authors' line: one to a line, or several joined by commas or semicolons;
// no more than `most` of them when that is given. Each goes to `name` with its blanks
// collapsed, in the line or at the end of `scratch`, which is never moved when it had room
// for the line to begin with.
template <typename Name>
void eachAuthorPart(QStringView authors, qsizetype most, QString &scratch, Name &&name)
{
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    };
    qsizetype start = 0;
    qsizetype found = 0;
    for (qsizetype i = 0; i <= authors.size() && found != most; ++i) {
        if (i < authors.size()) {
            const char16_t c = authors[i].unicode();
            if (c != u',' && c != u';' && c != u'\r' && c != u'\n')
                continue;
        }
        // The blanks about a name go before it is cut out: the blank after each comma would
        // otherwise have every name but the first built again.
        qsizetype end = i;
        while (start < end && blank(authors[start].unicode()))
            ++start;
        while (end > start && blank(authors[end - 1].unicode()))
            --end;
        if (end > start) {
            const QStringView part = authors.sliced(start, end - start);
            const qsizetype at = scratch.size();
            name(appendCollapsedBlanks(part, scratch) ? QStringView(scratch).sliced(at) : part);
            ++found;
        }
        start = i + 1;
    }
}

QString transliterated(QStringView text)
{
    // Looked up by the letter's place from U+0430: every entry's key passes here.
    constexpr char16_t First = 0x430;
    static const std::array<const char *, 0x70> cyrillic = [] {
        const char16_t from[] = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюяіїєґў";
        const char *to[] = {"a", "b",  "v",  "g",  "d",  "e",  "e",    "zh", "z", "i",
                            "y", "k",  "l",  "m",  "n",  "o",  "p",    "r",  "s", "t",
                            "u", "f",  "kh", "ts", "ch", "sh", "shch", "",   "y", "",
                            "e", "yu", "ya", "i",  "yi", "ye", "g",    "u"};
        std::array<const char *, 0x70> table{};
        for (size_t i = 0; from[i]; ++i)
            table[size_t(from[i] - First)] = to[i];
        return table;
    }();
    QString out;
    const QString lower = text.toString().toLower();
    // Accented Latin letters lose their accents; Cyrillic is looked up whole.
    const bool accents = std::any_of(lower.begin(), lower.end(), [](QChar c) {
        return c.unicode() >= 0x80 && (c.unicode() < 0x400 || c.unicode() > 0x4FF);
    });
    for (const QChar c : accents ? lower.normalized(QString::NormalizationForm_D) : lower) {
        const char16_t u = c.unicode();
        if (const char *to = u >= First && u - First < 0x70 ? cyrillic[u - First] : nullptr)
            out += QLatin1String(to);
        else if (c == QChar(0x00DF))
            out += QLatin1String("ss");
        else if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                 (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            out += c;
    }
    return out;
}

QString letters(int index)
{
    QString out;
    do {
        out.prepend(QChar(u'a' + index % 26));
        index = index / 26 - 1;
    } while (index >= 0);
    return out;
}

// What latexEscape puts for each ASCII character, looked up without a call.
const std::array<const char *, 0x80> &latexTable()
{
    static const std::array<const char *, 0x80> table = [] {
        std::array<const char *, 0x80> built{};
        for (char16_t c = 0; c < 0x80; ++c)
            built[c] = latexEscape(c);
        return built;
    }();
    return table;
}

// Blanks as collapsedBlanks takes them.
constexpr bool isBlank(uchar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// What each byte asks of appendBytes: 0 nothing, 1 a blank to collapse, 2 its escape.
const quint8 *byteKinds(bool escaped, bool collapse)
{
    static const std::array<std::array<quint8, 256>, 4> tables = [] {
        std::array<std::array<quint8, 256>, 4> built{};
        for (int which = 0; which < 4; ++which)
            for (int c = 0; c < 0x80; ++c)
                built[size_t(which)][size_t(c)] = (which & 1) && isBlank(uchar(c))         ? 1
                                                  : (which & 2) && latexTable()[size_t(c)] ? 2
                                                                                           : 0;
        return built;
    }();
    return tables[size_t((escaped ? 2 : 0) + (collapse ? 1 : 0))].data();
}

// The write position p of the buffer once it has room for `bytes` more from there. The writers
// keep their position in a register: a lambda that moved it would keep it in memory.
char *withRoom(QByteArray &out, char *p, qsizetype bytes)
{
    const qsizetype at = p - out.data();
    if (out.size() - at < bytes)
        out.resize(std::max(out.size() * 2, at + bytes));
    return out.data() + at;
}

// The text in UTF-8 at the end of the buffer, as QString::toUtf8 gives it, with the LaTeX
// escapes when `Escaped`, and with the runs of blanks made one blank and none at either end
// when `Collapse` (collapsedBlanks). The abstracts go through here: one pass, no call for a
// character.
template <bool Escaped, bool Collapse>
void encodeUtf8(QByteArray &out, QStringView text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return;
    const quint8 *kind = byteKinds(Escaped, Collapse);
    const char16_t *in = text.utf16();
    const char16_t *const end = in + n;
    // Room is kept for three bytes a unit of UTF-16 still to come, the most one takes (a pair
    // takes four); an escape may take more, and makes its room.
    const qsizetype at = out.size();
    out.resize(at + 3 * n + 32);
    char *p = out.data() + at;
    [[maybe_unused]] bool pending = false;
    [[maybe_unused]] bool written = false;
    while (in < end) {
        const char16_t c = *in;
        if (c < 0x80 && kind[c]) {
            ++in;
            if (Collapse && kind[c] == 1) {
                pending = written;
                continue;
            }
            if constexpr (Escaped) {
                const char *escape = latexTable()[c];
                const qsizetype length = qsizetype(std::strlen(escape));
                p = withRoom(out, p, length + 3 * (end - in) + 32);
                if (Collapse && pending)
                    *p++ = ' ';
                pending = false;
                written = true;
                std::memcpy(p, escape, size_t(length));
                p += length;
            }
            continue;
        }
        if constexpr (Collapse) {
            if (pending)
                *p++ = ' ';
            pending = false;
            written = true;
        }
        if (c < 0x80) {
            *p++ = char(c);
            ++in;
        } else if (c < 0x800) {
            // Cyrillic, a word at a time.
            for (char16_t d = c;;) {
                *p++ = char(0xC0 | (d >> 6));
                *p++ = char(0x80 | (d & 0x3F));
                if (++in == end || (d = *in) < 0x80 || d >= 0x800)
                    break;
            }
        } else if (!QChar::isSurrogate(c)) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
            ++in;
        } else if (QChar::isHighSurrogate(c) && end - in > 1 && QChar::isLowSurrogate(in[1])) {
            const char32_t u = QChar::surrogateToUcs4(c, in[1]);
            in += 2;
            *p++ = char(0xF0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3F));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        } else {
            // A unit without its pair, as the converter writes it.
            const QByteArray replaced = QString(QChar(c)).toUtf8();
            ++in;
            p = withRoom(out, p, replaced.size() + 3 * (end - in) + 32);
            std::memcpy(p, replaced.constData(), size_t(replaced.size()));
            p += replaced.size();
        }
    }
    out.truncate(p - out.constData());
}

void appendUtf8(QByteArray &out, QStringView text) { encodeUtf8<false, false>(out, text); }

// unicodeToLatex(text) in UTF-8.
void appendLatex(QByteArray &out, QStringView text) { encodeUtf8<true, false>(out, text); }

// collapsedBlanks(text) in UTF-8.
void appendCollapsed(QByteArray &out, QStringView text) { encodeUtf8<false, true>(out, text); }

// Sound UTF-8 at the end of the buffer as appendUtf8 writes the text it holds, with the LaTeX
// escapes or none, and with the runs of blanks made one blank and none at either end when
// `collapse` (collapsedBlanks): the bytes go as they are, without a round through UTF-16.
void appendBytes(QByteArray &out, QByteArrayView text, const char *const *escapes, bool collapse)
{
    Q_ASSERT(!escapes || escapes == latexTable().data());
    const qsizetype n = text.size();
    if (n == 0)
        return;
    const quint8 *kind = byteKinds(escapes, collapse);
    const uchar *in = reinterpret_cast<const uchar *>(text.data());
    const qsizetype at = out.size();
    // A byte takes one at the most, but for an escape, which makes its room.
    out.resize(at + n + 32);
    char *p = out.data() + at;
    bool pending = false;
    bool written = false;
    for (qsizetype i = 0; i < n;) {
        qsizetype plain = i;
        while (plain < n && !kind[in[plain]])
            ++plain;
        if (plain == i && kind[in[i]] == 1) {
            pending = written;
            ++i;
            continue;
        }
        if (pending)
            *p++ = ' ';
        pending = false;
        written = true;
        if (plain > i) {
            std::memcpy(p, in + i, size_t(plain - i));
            p += plain - i;
            i = plain;
            continue;
        }
        const char *escape = escapes[in[i]];
        const qsizetype length = qsizetype(std::strlen(escape));
        p = withRoom(out, p, length + n - i + 32);
        std::memcpy(p, escape, size_t(length));
        p += length;
        ++i;
    }
    out.truncate(p - out.constData());
}

// "  name = {value},\n", left out when the value comes to nothing.
template <typename Write>
void field(QByteArray &out, const char *name, Write &&value)
{
    // "  name = {" goes in one append: three cost as much as a short field's value.
    char head[32] = "  ";
    const size_t length = std::strlen(name);
    Q_ASSERT(length + 6 < sizeof head);
    std::memcpy(head + 2, name, length);
    std::memcpy(head + 2 + length, " = {", 4);
    const qsizetype start = out.size();
    out.append(head, qsizetype(length + 6));
    const qsizetype first = out.size();
    value();
    if (out.size() == first)
        out.truncate(start);
    else
        out += "},\n";
}

void latexField(QByteArray &out, const char *name, const QString &value)
{
    // Most fields of most entries are empty.
    if (value.isEmpty())
        return;
    field(out, name, [&] { appendLatex(out, value); });
}

// The initials without their blanks.
template <typename Append>
void appendInitials(QByteArray &out, QStringView initials, Append &&append)
{
    for (const QStringView run : QStringTokenizer(initials, u' '))
        append(out, run);
}

// "{Literal name}", or "Family, Given" where there are initials.
template <typename Given>
void appendBibtexName(QByteArray &out, QStringView literal, QStringView family, bool hasGiven,
                      Given &&given)
{
    if (!literal.isEmpty()) {
        out += '{';
        appendLatex(out, literal);
        out += '}';
        return;
    }
    appendLatex(out, family);
    if (hasGiven) {
        out += ", ";
        given();
    }
}

void appendBibtexName(QByteArray &out, const NameView &name)
{
    appendBibtexName(out, name.literal, name.family,
                     name.initials.count(u' ') != name.initials.size(),
                     [&] { appendInitials(out, name.initials, appendLatex); });
}

void appendBibtexName(QByteArray &out, const PersonName &name)
{
    appendBibtexName(out, name.literal, name.family, !name.given.isEmpty(),
                     [&] { appendLatex(out, name.given); });
}

QString risName(const PersonName &name)
{
    if (!name.literal.isEmpty())
        return name.literal;
    return name.given.isEmpty() ? name.family : name.family + QLatin1String(", ") + name.given;
}

bool oneOfTypes(const QString &type, std::initializer_list<const char *> types)
{
    for (const char *t : types)
        if (type.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The BibTeX type of a reference read from either format.
QString bibtexType(const QString &type)
{
    static const QHash<QString, QString> fromRis = {
        {QStringLiteral("JOUR"), QStringLiteral("article")},
        {QStringLiteral("MGZN"), QStringLiteral("article")},
        {QStringLiteral("NEWS"), QStringLiteral("article")},
        {QStringLiteral("BOOK"), QStringLiteral("book")},
        {QStringLiteral("EBOOK"), QStringLiteral("book")},
        {QStringLiteral("CHAP"), QStringLiteral("incollection")},
        {QStringLiteral("CONF"), QStringLiteral("inproceedings")},
        {QStringLiteral("CPAPER"), QStringLiteral("inproceedings")},
        {QStringLiteral("RPRT"), QStringLiteral("techreport")},
        {QStringLiteral("THES"), QStringLiteral("phdthesis")},
    };
    if (type.isEmpty())
        return QStringLiteral("misc");
    if (type.front().isLower())
        return type == QLatin1String("report") ? QStringLiteral("techreport") : type;
    return fromRis.value(type, QStringLiteral("misc"));
}

QString risType(const QString &type)
{
    static const QHash<QString, QString> fromBibTeX = {
        {QStringLiteral("article"), QStringLiteral("JOUR")},
        {QStringLiteral("book"), QStringLiteral("BOOK")},
        {QStringLiteral("incollection"), QStringLiteral("CHAP")},
        {QStringLiteral("inbook"), QStringLiteral("CHAP")},
        {QStringLiteral("inproceedings"), QStringLiteral("CPAPER")},
        {QStringLiteral("conference"), QStringLiteral("CPAPER")},
        {QStringLiteral("techreport"), QStringLiteral("RPRT")},
        {QStringLiteral("report"), QStringLiteral("RPRT")},
        {QStringLiteral("phdthesis"), QStringLiteral("THES")},
        {QStringLiteral("mastersthesis"), QStringLiteral("THES")},
        {QStringLiteral("thesis"), QStringLiteral("THES")},
    };
    if (!type.isEmpty() && type.front().isUpper())
        return type;
    return fromBibTeX.value(type, QStringLiteral("GEN"));
}

// A second thread that stays for the whole of an export and runs one job at a time: a pool
// that is waited on lets its thread go, and every page would start a new one.
class Helper {
public:
    Helper() : FThread([this] { loop(); }) {}
    Helper(const Helper &) = delete;
    Helper &operator=(const Helper &) = delete;
    ~Helper()
    {
        {
            const std::lock_guard lock(FMutex);
            FStop = true;
        }
        FWake.notify_one();
        FThread.join();
    }

    void start(std::function<void()> job)
    {
        {
            const std::lock_guard lock(FMutex);
            FJob = std::move(job);
            FBusy = true;
        }
        FWake.notify_one();
    }

    void wait()
    {
        std::unique_lock lock(FMutex);
        FDone.wait(lock, [this] { return !FBusy; });
    }

private:
    void loop()
    {
        std::unique_lock lock(FMutex);
        for (;;) {
            FWake.wait(lock, [this] { return FStop || FJob; });
            if (!FJob)
                return;
            const std::function<void()> job = std::move(FJob);
            FJob = nullptr;
            lock.unlock();
            job();
            lock.lock();
            FBusy = false;
            FDone.notify_one();
        }
    }

    std::mutex FMutex;
    std::condition_variable FWake;
    std::condition_variable FDone;
    std::function<void()> FJob;
    bool FBusy = false;
    bool FStop = false;
    std::thread FThread; // last: it starts once the rest is made
};

// Runs work(i) for every i below count, shared with the helper thread when there is one: each
// takes the next row in turn, so a thread the machine gives less time does less. This thread
// first runs `meanwhile`, which must not touch what work does. An error raised in either is
// raised here once both are done.
void shared(Helper *helper, int count, const std::function<void(int)> &work,
            const std::function<void()> &meanwhile = {})
{
    std::atomic<int> next{0};
    const auto run = [&](std::exception_ptr &error) {
        try {
            for (int i = next++; i < count; i = next++)
                work(i);
        } catch (...) {
            error = std::current_exception();
            next = count;
        }
    };
    std::exception_ptr mine;
    std::exception_ptr theirs;
    if (helper)
        helper->start([&] { run(theirs); });
    if (meanwhile) {
        try {
            meanwhile();
        } catch (...) {
            mine = std::current_exception();
            next = count;
        }
    }
    if (!mine)
        run(mine);
    if (helper)
        helper->wait();
    for (const std::exception_ptr &error : {mine, theirs})
        if (error)
            std::rethrow_exception(error);
}

// A second thread where the machine has a second core.
std::unique_ptr<Helper> secondThread()
{
    return QThread::idealThreadCount() < 2 ? nullptr : std::make_unique<Helper>();
}

// Whether a byte of the text is above ASCII, looked at eight bytes at a time.
bool aboveAscii(const char *text, qsizetype size)
{
    quint64 seen = 0;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, text + i, sizeof word);
        seen |= word;
    }
    for (; i < size; ++i)
        seen |= quint8(text[i]);
    return seen & 0x8080808080808080ULL;
}

// Whether the bytes are UTF-8 that QString::fromUtf8 reads without a replacement: no overlong
// form, half of a UTF-16 pair or code point above U+10FFFF. Qt's own check decodes each
// character; this one passes over ASCII eight bytes at a time.
bool validUtf8(QByteArrayView bytes)
{
    const uchar *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    const auto following = [](uchar c) { return (c & 0xC0) == 0x80; };
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            // An ASCII run, eight at a time: tried after ASCII, not within a Cyrillic word.
            ++p;
            for (quint64 word; end - p >= 8; p += 8) {
                std::memcpy(&word, p, sizeof word);
                if (word & 0x8080808080808080ULL)
                    break;
            }
        } else if (c < 0xC2) {
            return false;
        } else if (c < 0xE0) {
            if (end - p < 2 || !following(p[1]))
                return false;
            p += 2;
        } else if (c < 0xF0) {
            if (end - p < 3 || !following(p[1]) || !following(p[2]) || (c == 0xE0 && p[1] < 0xA0) ||
                (c == 0xED && p[1] >= 0xA0))
                return false;
            p += 3;
        } else if (c < 0xF5) {
            if (end - p < 4 || !following(p[1]) || !following(p[2]) || !following(p[3]) ||
                (c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] >= 0x90))
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

// Whether the text read from these bytes gives them back as they are: valid UTF-8 without the
// byte order mark first that the decoder drops.
bool soundUtf8(QByteArrayView bytes)
{
    return !bytes.startsWith("\xEF\xBB\xBF") && validUtf8(bytes);
}

// As QString::trimmed on the text that sound UTF-8 holds: white space of any script goes from
// both ends.
QByteArrayView trimmedUtf8(QByteArrayView bytes)
{
    const uchar *in = reinterpret_cast<const uchar *>(bytes.data());
    const auto space = [in](qsizetype from, qsizetype to) {
        char32_t u = in[from];
        if (to - from > 1) {
            u &= 0x7F >> (to - from);
            for (qsizetype i = from + 1; i < to; ++i)
                u = (u << 6) | (in[i] & 0x3F);
        }
        return QChar::isSpace(u);
    };
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to) {
        const qsizetype length = in[from] < 0x80    ? 1
                                 : in[from] >= 0xF0 ? 4
                                 : in[from] >= 0xE0 ? 3
                                                    : 2;
        if (!space(from, from + length))
            break;
        from += length;
    }
    while (to > from) {
        qsizetype start = to - 1;
        while (start > from && (in[start] & 0xC0) == 0x80)
            --start;
        if (!space(start, to))
            break;
        to = start;
    }
    return bytes.sliced(from, to - from);
}

// valueOf on sound UTF-8.
QByteArrayView valueOf(QByteArrayView bytes)
{
    const QByteArrayView value = trimmedUtf8(bytes);
    static const QByteArray placeholder = book::NewText.toUtf8();
    return value.size() == placeholder.size() &&
                   std::memcmp(value.data(), placeholder.constData(), size_t(value.size())) == 0
               ? QByteArrayView()
               : value;
}

// A row as the library gives it: the bytes of its columns in one buffer, as the reader copied
// them. What they hold is looked at by the threads that write the entries, not by the reader.
struct StoredRow {
    enum Column {
        Authors,
        Title,
        Publisher,
        Year,
        Keywords,
        Info,
        Resume,
        OriginalFormat,
        Citation,
        Record,
        Digest,
        Strings,
        Columns
    };
    qint64 key = 0;
    QByteArray bytes; // the columns in turn
    std::array<qsizetype, Columns + 1> starts{};
    QByteArrayView column(Column c) const
    {
        return QByteArrayView(bytes).sliced(starts[c], starts[c + 1] - starts[c]);
    }
    QString text(Column c) const { return QString::fromUtf8(column(c)); }
    bool hasCitation() const { return !column(Citation).isEmpty(); }
    // An entry that did not come in from a file, and whose texts are sound UTF-8, is written
    // from the bytes of its columns, none made into text but those that a rule reads as
    // letters; any other goes through its fields as text. The abstract has its own way with
    // bytes that are not UTF-8.
    bool direct() const
    {
        if (hasCitation() || !column(Record).isEmpty())
            return false;
        for (int c = 0; c < Resume; ++c)
            if (!soundUtf8(column(Column(c))))
                return false;
        return true;
    }
};

// The row's entry with its fields as text.
StoredBook bookOf(const StoredRow &row)
{
    StoredBook b;
    b.key = row.key;
    QString *const fields[] = {&b.authors,  &b.title,  &b.publisher, &b.year,
                               &b.keywords, &b.info,   nullptr,      &b.originalFormat,
                               &b.citation, &b.record, &b.digest,    &b.strings};
    for (int c = 0; c < StoredRow::Columns; ++c)
        if (fields[c])
            *fields[c] = row.text(StoredRow::Column(c));
    b.resume = row.column(StoredRow::Resume).toByteArray();
    return b;
}

// Reads the rows of a dataset, in its order, a page of keys at a time.
class StoredBooks {
public:
    explicit StoredBooks(quil::DataSet &data) : FData(data)
    {
        if (!data.connection().Connected())
            throw quil::Error(QCoreApplication::translate("ExchangeExport",
                                                          "Соединение с библиотекой не открыто"));
        quil::Engine &engine = data.connection().engine();
        QStringList columns;
        for (const QString &column : {book::Key, book::WName, book::WTitle, book::WPublisher,
                                      book::City, book::Location, book::Pages, book::Resume})
            columns << QStringLiteral("b.\"%1\"").arg(column);
        // A library that keeps the records as they came in gives them beside the entries.
        FOriginals = !engine.columns(Originals::TableName).isEmpty();
        if (FOriginals)
            columns << QStringLiteral("o.format, o.citation, o.record, o.digest, o.strings");
        FSelect = QStringLiteral("SELECT %1 FROM \"%2\" b %3")
                      .arg(columns.join(QStringLiteral(", ")), book::TableName,
                           FOriginals ? QStringLiteral("LEFT JOIN \"%1\" o ON o.key = b.\"%2\"")
                                            .arg(Originals::TableName, book::Key)
                                      : QString());
    }

    // Every row of the page that begins at a position, in the dataset's order; rows no longer
    // in the file are left out.
    std::vector<StoredRow> page(int first)
    {
        const int count = std::max(0, std::min(PageRows, FData.RecordCount() - first));
        std::vector<qint64> keys(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            keys[size_t(i)] = FData.keyAt(first + i);
        return withKeys(keys);
    }

    // The row with this key; none when it is no longer in the file.
    std::vector<StoredRow> byKey(qint64 key) { return withKeys({key}); }

private:
    // The rows with these keys, in their order.
    std::vector<StoredRow> withKeys(const std::vector<qint64> &keys)
    {
        if (!FStatement) {
            QStringList marks;
            for (int i = 0; i < PageRows; ++i)
                marks << QStringLiteral("?");
            FStatement = FData.connection().engine().prepareOrThrow(
                FSelect + QStringLiteral(" WHERE b.\"%1\" IN (%2)")
                              .arg(book::Key, marks.join(QLatin1Char(','))));
        }
        QHash<qint64, int> positions;
        for (int i = 0; i < PageRows; ++i) {
            const qint64 key = size_t(i) < keys.size() ? keys[size_t(i)] : qint64(-1);
            FStatement->bindInteger(i, key);
            if (size_t(i) < keys.size())
                positions.insert(key, i);
        }
        std::vector<StoredRow> rows(keys.size());
        std::vector<bool> found(keys.size());
        quil::execOrThrow(*FStatement);
        while (FStatement->next()) {
            const auto slot = positions.constFind(FStatement->integer(0));
            if (slot == positions.constEnd())
                continue;
            rows[size_t(*slot)] = read(*FStatement);
            found[size_t(*slot)] = true;
        }
        quil::checkFinished(*FStatement);
        FStatement->reset();
        std::vector<StoredRow> kept;
        kept.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            if (found[i])
                kept.push_back(std::move(rows[i]));
        return kept;
    }

    // The row's columns copied as they are: the statement is this thread's alone, and
    // everything else about a row is done on both.
    StoredRow read(const quil::Statement &row) const
    {
        StoredRow r;
        r.key = row.integer(0);
        const int columns = FOriginals ? StoredRow::Columns : StoredRow::OriginalFormat;
        std::array<QByteArrayView, StoredRow::Columns> texts;
        qsizetype size = 0;
        for (int c = 0; c < columns; ++c)
            size += (texts[size_t(c)] = row.utf8(c + 1)).size();
        r.bytes.resize(size);
        qsizetype at = 0;
        for (int c = 0; c < StoredRow::Columns; ++c) {
            const QByteArrayView text = texts[size_t(c)];
            r.starts[size_t(c)] = at;
            if (!text.isEmpty())
                std::memcpy(r.bytes.data() + at, text.data(), size_t(text.size()));
            at += text.size();
        }
        r.starts[StoredRow::Columns] = at;
        return r;
    }

    quil::DataSet &FData;
    QString FSelect;
    std::unique_ptr<quil::Statement> FStatement;
    bool FOriginals = false;
};

bool unchanged(const StoredBook &book)
{
    return !book.record.isEmpty() &&
           Originals::digest(book.authors, book.title, book.publisher, book.year, book.keywords,
                             book.info, QString::fromUtf8(book.resume)) == book.digest;
}

// The plain text of a stored abstract, RTF or plain text (as the abstract import stores it);
// the placeholder is none. The view holds until the next call on the thread, or while the
// scratch string is left alone. Every entry of an export passes here: the stored bytes go to the
// extractor as they are when trimming takes only ASCII blanks and the text is sound UTF-8, as
// nearly every abstract is.
QStringView abstractText(const QByteArray &stored, QString &scratch)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype from = 0;
    qsizetype to = stored.size();
    while (from < to && space(stored[from]))
        ++from;
    while (to > from && space(stored[to - 1]))
        --to;
    if (from == to)
        return {};
    // A byte above ASCII at either end may begin or end a space of its own.
    const bool wide = aboveAscii(stored.constData() + from, to - from);
    if (stored[from] < 0 || stored[to - 1] < 0 ||
        (wide && !validUtf8(QByteArrayView(stored).sliced(from, to - from)))) {
        scratch = valueOf(quil::rtf::RichText::plainTextOf(valueOf(QString::fromUtf8(stored))));
        return scratch;
    }
    const QByteArray value = QByteArray::fromRawData(stored.constData() + from, to - from);
    static const QByteArray placeholder = book::NewText.toLatin1();
    if (value == placeholder)
        return {};
    thread_local quil::rtf::RtfTextExtractor extractor;
    bool isRtf = false;
    const QStringView text = extractor.text(value, &isRtf, wide).trimmed();
    if (!isRtf) {
        scratch = valueOf(quil::rtf::RichText::plainTextOf(QString::fromUtf8(value)));
        return scratch;
    }
    return text == book::NewText ? QStringView() : text;
}

QString abstractOf(const QByteArray &stored)
{
    QString scratch;
    return abstractText(stored, scratch).toString();
}

QStringList stringsOf(const StoredBook &book)
{
    return book.strings.split(Originals::StringSeparator, Qt::SkipEmptyParts);
}

Format formatNamed(const QString &name)
{
    return name == QLatin1String("ris") ? Format::Ris : Format::BibTeX;
}

} // namespace

namespace {

// An authors' line (valueOf it) without the " (ред.)" or " и др." that may end it, and whether
// they did.
QStringView namesOfLine(QStringView authors, bool &editors, bool &etAl)
{
    for (const QStringView suffix : {QStringView(u" (ред.)"), QStringView(u" (ed.)")})
        if (authors.endsWith(suffix)) {
            editors = true;
            authors.chop(suffix.size());
        }
    for (const QStringView suffix : {QStringView(u" и др."), QStringView(u" et al.")})
        if (authors.endsWith(suffix)) {
            etAl = true;
            authors.chop(suffix.size());
        }
    return authors;
}

// The names of an authors' line (valueOf it) as the reference's authors or editors.
void setAuthors(Reference &r, const QString &authors)
{
    bool editors = false;
    const QStringView names = namesOfLine(authors, editors, r.etAl);
    QString scratch;
    scratch.reserve(names.size());
    eachAuthorPart(names, -1, scratch, [&](QStringView part) {
        (editors ? r.editors : r.authors) << personOf(part.toString());
    });
}

} // namespace

Reference referenceOf(const StoredBook &book)
{
    Reference r;
    setAuthors(r, valueOf(book.authors));
    r.title = collapsedBlanks(valueOf(book.title));
    r.container = collapsedBlanks(valueOf(book.publisher));
    r.year = valueOf(book.year);
    for (const QString &word : valueOf(book.keywords).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!word.trimmed().isEmpty())
            r.keywords << word.trimmed();
    r.note = collapsedBlanks(valueOf(book.info));
    r.abstract = abstractOf(book.resume);
    r.type = QStringLiteral("misc");
    return r;
}

namespace {

// As mergedReference, told whether the entry is unchanged; the entry's own fields (its
// abstract's plain text above all) are read only where they are laid over the record.
Reference merged(const StoredBook &book, bool same)
{
    if (book.record.isEmpty())
        return referenceOf(book);
    const ReadResult read =
        readBibliography(stringsOf(book).join(QLatin1Char('\n')) + QLatin1Char('\n') + book.record,
                         formatNamed(book.originalFormat));
    if (read.references.size() != 1)
        return referenceOf(book);
    Reference merged = read.references.first();
    if (same)
        return merged;
    const Reference now = referenceOf(book);
    const BookFields was = bookFields(merged);
    // Fields the entry no longer has as they came in are the entry's; the rest of the record
    // (journal, volume, DOI, ...) stays.
    if (book.authors != was.authors) {
        merged.authors = now.authors;
        merged.editors = now.editors;
        merged.etAl = now.etAl;
    }
    if (book.title != was.title)
        merged.title = now.title;
    if (book.publisher != was.publisher) {
        for (QString *field : {&merged.container, &merged.publisher, &merged.address,
                               &merged.volume, &merged.issue, &merged.pages, &merged.edition,
                               &merged.series, &merged.number, &merged.genre, &merged.institution})
            field->clear();
        merged.container = now.container;
        merged.type =
            merged.type.front().isLower() ? QStringLiteral("misc") : QStringLiteral("GEN");
    }
    if (book.year != was.year) {
        merged.year = now.year;
        merged.month.clear();
    }
    if (book.keywords != was.keywords)
        merged.keywords = now.keywords;
    if (book.info != was.info) {
        for (QString *field : {&merged.doi, &merged.url, &merged.isbn})
            field->clear();
        merged.note = now.note;
    }
    if (collapsedBlanks(merged.abstract) != collapsedBlanks(now.abstract))
        merged.abstract = now.abstract;
    return merged;
}

} // namespace

Reference mergedReference(const StoredBook &book) { return merged(book, unchanged(book)); }

QString CitationKeys::base(const QString &authors, const QString &year)
{
    // The first name alone is split, as a view of the line.
    const QString line = valueOf(authors);
    QString scratch;
    QStringView first;
    eachAuthorPart(line, 1, scratch, [&first](QStringView part) { first = part; });
    const NameView name = nameOf(first);
    QString surname = transliterated(
        name.literal.isEmpty() ? name.family : name.literal.left(name.literal.indexOf(u' ')));
    if (surname.isEmpty())
        surname = QStringLiteral("anon");
    return surname + fourDigits(year);
}

namespace {

// The keys the records kept beside the entries came in with, case folded: BibTeX takes
// "Smith2000" and "smith2000" for one key.
QSet<QString> keptCitations(quil::Engine &engine)
{
    QSet<QString> kept;
    if (engine.columns(Originals::TableName).isEmpty())
        return kept;
    const std::unique_ptr<quil::Statement> statement =
        engine.prepareOrThrow(QStringLiteral("SELECT citation FROM \"%1\" WHERE citation <> ''")
                                  .arg(Originals::TableName));
    quil::execOrThrow(*statement);
    while (statement->next())
        kept.insert(QString::fromUtf8(statement->utf8(0)).toCaseFolded());
    quil::checkFinished(*statement);
    return kept;
}

} // namespace

CitationKeys::CitationKeys(quil::DataSet &data)
{
    // Name, the one-line copy of the authors, lies in the browse index with the year: the keys
    // are read without the rows and their abstracts. Only the reading and the letters, which
    // hang on the entries before, are left to this thread; the stems are made on both cores,
    // a block at a time while the next block is read.
    std::unique_ptr<quil::Statement> statement = data.connection().engine().prepareOrThrow(
        QStringLiteral("SELECT \"%1\", \"%2\", \"%3\" FROM \"%4\" ORDER BY \"%1\"")
            .arg(book::Key, book::Name, book::City, book::TableName));
    quil::execOrThrow(*statement);
    struct Block {
        QByteArray bytes; // the authors, then the year, of each entry in turn
        std::vector<qsizetype> ends;
        std::vector<QString> stems;
        std::vector<size_t> hashes;
        QString text(size_t i) const
        {
            const qsizetype from = i == 0 ? 0 : ends[i - 1];
            return QString::fromUtf8(QByteArrayView(bytes).sliced(from, ends[i] - from));
        }
    };
    constexpr size_t BlockRows = 4096;
    const auto read = [&](Block &block) {
        block.bytes.resize(0);
        block.ends.clear();
        while (block.ends.size() < 2 * BlockRows && statement->next()) {
            FEntries.push_back(statement->integer(0));
            for (int c = 1; c <= 2; ++c) {
                block.bytes.append(statement->utf8(c));
                block.ends.push_back(block.bytes.size());
            }
        }
    };
    std::vector<size_t> hashes;
    const std::unique_ptr<Helper> helper = secondThread();
    Block ready;
    Block reading;
    read(reading);
    while (!reading.ends.empty()) {
        std::swap(ready, reading);
        const size_t rows = ready.ends.size() / 2;
        ready.stems.assign(rows, QString());
        ready.hashes.assign(rows, 0);
        shared(
            helper.get(), int(rows),
            [&ready](int i) {
                QString &stem = ready.stems[size_t(i)];
                stem = base(ready.text(2 * size_t(i)), ready.text(2 * size_t(i) + 1));
                ready.hashes[size_t(i)] = qHash(stem);
            },
            [&] { read(reading); });
        std::move(ready.stems.begin(), ready.stems.end(), std::back_inserter(FKeys));
        hashes.insert(hashes.end(), ready.hashes.begin(), ready.hashes.end());
    }
    quil::checkFinished(*statement);
    const int count = int(FEntries.size());
    struct Stem {
        const QString *text;
        size_t hash;
        bool operator==(const Stem &other) const { return *text == *other.text; }
    };
    struct StemHash {
        size_t operator()(const Stem &stem) const noexcept { return stem.hash; }
    };
    std::unordered_map<Stem, int, StemHash> used;
    used.reserve(size_t(count));
    // A key a record came in with stays that record's: the letters pass over it.
    const QSet<QString> kept = keptCitations(data.connection().engine());
    std::vector<int> letter(static_cast<size_t>(count));
    for (size_t i = 0; i < size_t(count); ++i) {
        int &next = used[{&FKeys[i], hashes[i]}];
        while (!kept.isEmpty() && kept.contains((FKeys[i] + letters(next)).toCaseFolded()))
            ++next;
        letter[i] = next++;
    }
    used.clear();
    shared(helper.get(), count, [&](int i) { FKeys[size_t(i)] += letters(letter[size_t(i)]); });
}

QString CitationKeys::key(qint64 entryKey) const
{
    // The entries were read in the order of their keys.
    const auto at = std::lower_bound(FEntries.begin(), FEntries.end(), entryKey);
    return at != FEntries.end() && *at == entryKey ? FKeys[size_t(at - FEntries.begin())]
                                                   : QString();
}

namespace {

// The author and editor fields of a BibTeX entry.
template <typename Names>
void bibtexNames(QByteArray &out, const Names &authors, const Names &editors, bool etAl)
{
    const auto names = [&out](const Names &list, bool others) {
        for (qsizetype i = 0; i < qsizetype(list.size()); ++i) {
            if (i > 0)
                out += " and ";
            appendBibtexName(out, list[i]);
        }
        if (others)
            out += list.size() == 0 ? "others" : " and others";
    };
    field(out, "author", [&] { names(authors, etAl); });
    field(out, "editor", [&] { names(editors, false); });
}

// "TAG  - value\n", left out when there is no value.
void risLine(QByteArray &out, const char *tag, QStringView value)
{
    if (value.isEmpty())
        return;
    out += tag;
    out += "  - ";
    appendCollapsed(out, value);
    out += '\n';
}

void risName(QByteArray &out, const char *tag, const PersonName &name)
{
    risLine(out, tag, risName(name));
}

// As risLine of risName: a name split from a line has no blank to collapse.
void risName(QByteArray &out, const char *tag, const NameView &name)
{
    out += tag;
    out += "  - ";
    if (!name.literal.isEmpty()) {
        appendUtf8(out, name.literal);
    } else {
        appendUtf8(out, name.family);
        if (name.initials.count(u' ') != name.initials.size()) {
            out += ", ";
            appendInitials(out, name.initials,
                           [](QByteArray &to, QStringView run) { appendUtf8(to, run); });
        }
    }
    out += '\n';
}

template <typename Names>
void risNames(QByteArray &out, const Names &authors, const Names &editors, bool etAl)
{
    for (const auto &name : authors)
        risName(out, "AU", name);
    if (etAl)
        risLine(out, "AU", u"et al.");
    for (const auto &name : editors)
        risName(out, "A2", name);
}

// writeBibtex or writeRis of referenceOf(the row's entry), from the bytes of its columns: only
// the authors, which are split into names by their letters, are made text. False when the
// entry is nothing to cite.
bool writeDirect(QByteArray &out, const StoredRow &row, Format format, const QString &citationKey)
{
    // The names as views of the line or of the scratch, which has room for them all.
    thread_local QString authorsLine;
    thread_local QString scratch;
    thread_local std::vector<NameView> names;
    names.clear();
    bool editors = false;
    bool etAl = false;
    if (const QByteArrayView authors = valueOf(row.column(StoredRow::Authors));
        !authors.isEmpty()) {
        authorsLine = QString::fromUtf8(authors);
        const QStringView parts = namesOfLine(authorsLine, editors, etAl);
        scratch.resize(0);
        scratch.reserve(parts.size());
        eachAuthorPart(parts, -1, scratch, [](QStringView part) { names.push_back(nameOf(part)); });
    }
    static const std::vector<NameView> none;
    const std::vector<NameView> &authorNames = editors ? none : names;
    const std::vector<NameView> &editorNames = editors ? names : none;
    const QByteArrayView title = valueOf(row.column(StoredRow::Title));
    if (names.empty() && title.isEmpty())
        return false;
    const QByteArrayView container = valueOf(row.column(StoredRow::Publisher));
    const QByteArrayView year = valueOf(row.column(StoredRow::Year));
    const QByteArrayView keywords = valueOf(row.column(StoredRow::Keywords));
    const QByteArrayView note = valueOf(row.column(StoredRow::Info));
    const QByteArrayView resume = row.column(StoredRow::Resume);
    thread_local QString text;
    const QStringView abstract =
        abstractText(QByteArray::fromRawData(resume.data(), resume.size()), text);
    // Each of the keywords between semicolons, trimmed, the empty ones left out.
    const auto eachKeyword = [&keywords](auto &&write) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= keywords.size(); ++i) {
            if (i < keywords.size() && keywords[i] != ';')
                continue;
            const QByteArrayView word = trimmedUtf8(keywords.sliced(start, i - start));
            start = i + 1;
            if (!word.isEmpty())
                write(word);
        }
    };
    if (format == Format::Ris) {
        out += "TY  - GEN\n";
        risNames(out, authorNames, editorNames, etAl);
        const auto line = [&out](const char *tag, QByteArrayView value) {
            if (value.isEmpty())
                return;
            out += tag;
            out += "  - ";
            appendBytes(out, value, nullptr, true);
            out += '\n';
        };
        line("TI", title);
        line("T2", container);
        line("PY", year);
        eachKeyword([&](QByteArrayView word) { line("KW", word); });
        line("N1", note);
        risLine(out, "AB", abstract);
        out += "ER  - \n\n";
        return true;
    }
    const char *const *latex = latexTable().data();
    const auto bytes = [&](const char *name, QByteArrayView value, bool collapse) {
        if (!value.isEmpty())
            field(out, name, [&] { appendBytes(out, value, latex, collapse); });
    };
    out += "@misc{";
    appendUtf8(out, citationKey);
    out += ",\n";
    bibtexNames(out, authorNames, editorNames, etAl);
    if (!title.isEmpty())
        field(out, "title", [&] {
            out += '{';
            appendBytes(out, title, latex, true);
            out += '}';
        });
    bytes("howpublished", container, true);
    bytes("year", year, false);
    field(out, "keywords", [&] {
        bool first = true;
        eachKeyword([&](QByteArrayView word) {
            if (!first)
                out += ", ";
            first = false;
            appendBytes(out, word, latex, false);
        });
    });
    bytes("note", note, true);
    if (!abstract.isEmpty())
        field(out, "abstract", [&] { appendLatex(out, abstract); });
    out += "}\n";
    return true;
}

} // namespace

namespace {

void writeBibtex(QByteArray &out, const Reference &r, const QString &citationKey)
{
    const QString type = bibtexType(r.type);
    out += '@';
    appendUtf8(out, type);
    out += '{';
    appendUtf8(out, citationKey);
    out += ",\n";
    bibtexNames(out, r.authors, r.editors, r.etAl);
    // Inner braces keep the title's capitals from the style's lower-casing.
    if (!r.title.isEmpty())
        field(out, "title", [&] {
            out += '{';
            appendLatex(out, r.title);
            out += '}';
        });
    // A book's own container is its series.
    const bool book = type == QLatin1String("book");
    const char *container = type == QLatin1String("article") ? "journal"
                            : oneOfTypes(type, {"incollection", "inproceedings", "inbook"})
                                ? "booktitle"
                                : "howpublished";
    if (!book)
        latexField(out, container, r.container);
    latexField(out, "series", book && r.series.isEmpty() ? r.container : r.series);
    const bool report = type == QLatin1String("techreport");
    latexField(out, "publisher", report ? QString() : r.publisher);
    latexField(out, "institution", report ? r.publisher : QString());
    latexField(out, "address", r.address);
    latexField(out, "year", r.year);
    latexField(out, "month", r.month);
    latexField(out, "volume", r.volume);
    latexField(out, "number", r.issue.isEmpty() ? r.number : r.issue);
    field(out, "pages", [&] {
        appendUtf8(out, unicodeToLatex(r.pages).replace(QChar(0x2013), QLatin1String("--")));
    });
    latexField(out, "edition", r.edition);
    latexField(out, "type", r.genre);
    latexField(out, "doi", r.doi);
    latexField(out, "url", r.url);
    latexField(out, "isbn", r.isbn);
    latexField(out, "langid", r.language);
    latexField(out, "keywords", r.keywords.join(QLatin1String(", ")));
    latexField(out, "note", r.note);
    latexField(out, "abstract", r.abstract);
    out += "}\n";
}

void writeRis(QByteArray &out, const Reference &r)
{
    const QString type = risType(r.type);
    out += "TY  - ";
    appendUtf8(out, type);
    out += '\n';
    const auto line = [&out](const char *tag, const QString &value) { risLine(out, tag, value); };
    risNames(out, r.authors, r.editors, r.etAl);
    line("TI", r.title);
    line(type == QLatin1String("BOOK") ? "T3" : "T2", r.container);
    if (type != QLatin1String("BOOK"))
        line("T3", r.series);
    else if (r.container.isEmpty())
        line("T2", r.series);
    line("PB", r.publisher);
    line("CY", r.address);
    line("PY", r.year);
    if (!r.year.isEmpty() && !r.month.isEmpty())
        line("DA", r.year + QLatin1Char('/') + r.month.rightJustified(2, QLatin1Char('0')) + "//");
    line("VL", r.volume);
    line("IS", r.issue);
    const QStringList pages = r.pages.split(QChar(0x2013));
    line("SP", pages.value(0));
    line("EP", pages.value(1));
    line("ET", r.edition);
    line("M3", r.genre);
    line("SN", r.isbn.isEmpty() ? r.number : r.isbn);
    line("DO", r.doi);
    line("UR", r.url);
    line("LA", r.language);
    for (const QString &word : r.keywords)
        line("KW", word);
    line("N1", r.note);
    line("AB", r.abstract);
    line("ID", r.key);
    out += "ER  - \n\n";
}

} // namespace

QString bibtexEntry(const Reference &r, const QString &citationKey)
{
    QByteArray out;
    writeBibtex(out, r, citationKey);
    return QString::fromUtf8(out);
}

QString risRecord(const Reference &r)
{
    QByteArray out;
    writeRis(out, r);
    return QString::fromUtf8(out);
}

namespace {

// Sends a file's pages to the disk while the rest of it is still being made, so that the sync
// that completes the file finds little left to wait for. Only a hint: the sync tells of errors.
class EarlyWriteback {
public:
    explicit EarlyWriteback(QIODevice &device)
    {
        if (const auto *file = qobject_cast<QFileDevice *>(&device))
            FHandle = file->handle();
    }

    void written([[maybe_unused]] qint64 size)
    {
#ifdef Q_OS_LINUX
        if (FHandle < 0 || (FUnsent += size) < Step)
            return;
        // The pages already on their way are passed over, not waited for.
        sync_file_range(FHandle, 0, 0, SYNC_FILE_RANGE_WRITE);
        FUnsent = 0;
#endif
    }

private:
    static constexpr qint64 Step = 8 * 1024 * 1024;
    int FHandle = -1;
    qint64 FUnsent = 0;
};

// One entry on its way out: all of it that does not hang on the entries before it, made as if
// the key it came in with, when it has one, were still free.
struct Outgoing {
    qint64 key = 0;
    bool found = false;
    bool skipped = false;
    bool asItCame = false;
    bool ownCitation = false; // goes out with the key it came in with
    QString citation;
    size_t citationHash = 0; // made with the rest, so the writer only looks it up
    QStringList strings;     // as it came: the @string definitions it needs
    QByteArray text;
};

Outgoing outgoing(const StoredBook &book, bool ownKey, Format format, const CitationKeys *keys,
                  QByteArray buffer)
{
    Outgoing o;
    o.text = std::move(buffer);
    o.text.resize(0);
    o.key = book.key;
    o.found = true;
    o.ownCitation = ownKey;
    const bool same = unchanged(book);
    // An unchanged record is written as it came in: it had authors or a title then.
    if (ownKey && same && formatNamed(book.originalFormat) == format) {
        o.asItCame = true;
        o.citation = book.citation;
        o.strings = stringsOf(book);
        o.text = book.record.toUtf8();
        if (!book.record.endsWith(QLatin1Char('\n')))
            o.text += '\n';
        o.text += '\n';
        return o;
    }
    Reference r = merged(book, same);
    // An entry with neither authors nor title (the placeholder an import into an empty library
    // stores) is nothing to cite.
    if (r.authors.isEmpty() && r.editors.isEmpty() && r.title.isEmpty()) {
        o.skipped = true;
        return o;
    }
    o.citation = ownKey                     ? book.citation
                 : format == Format::BibTeX ? keys->key(book.key)
                                            : QString();
    // Room for the fields and the abstract's text at the most the writer makes room for, so
    // that the record is not moved as it grows.
    o.text.reserve(3 * book.resume.size() + 4096);
    if (format == Format::BibTeX) {
        writeBibtex(o.text, r, o.citation);
        o.text += '\n';
    } else {
        r.key = o.citation;
        writeRis(o.text, r);
    }
    return o;
}

// The text is written into the buffer given, where it has room.
Outgoing outgoing(const StoredRow &row, bool ownKey, Format format, const CitationKeys *keys,
                  QByteArray buffer)
{
    if (!row.direct())
        return outgoing(bookOf(row), ownKey, format, keys, std::move(buffer));
    Outgoing o;
    o.text = std::move(buffer);
    o.text.resize(0);
    o.key = row.key;
    o.found = true;
    o.citation = format == Format::BibTeX ? keys->key(row.key) : QString();
    o.text.reserve(3 * row.column(StoredRow::Resume).size() + 4096);
    o.skipped = !writeDirect(o.text, row, format, o.citation);
    if (format == Format::BibTeX)
        o.text += '\n';
    return o;
}

} // namespace

ExportResult exportBibliography(quil::DataSet &data, QIODevice &device, Format format,
                                const ExportProgress &progress)
{
    ExportResult result;
    StoredBooks books(data);
    const quil::Sweep sweep(data.connection().engine());
    std::unique_ptr<CitationKeys> keys;
    if (format == Format::BibTeX)
        keys = std::make_unique<CitationKeys>(data);
    // Turning abstracts into text and records into UTF-8 is most of the work: a page of rows
    // is shared with a second thread, and written out in its order.
    const std::unique_ptr<Helper> helper = secondThread();
    QByteArray bytes;
    bytes.reserve(PieceSize + PieceSize / 2);
    EarlyWriteback writeback(device);
    const auto spill = [&] {
        if (result.ok() && !bytes.isEmpty() && device.write(bytes) != bytes.size())
            result.error = device.errorString().isEmpty()
                               ? QCoreApplication::translate("ExchangeExport", "Ошибка записи")
                               : device.errorString();
        writeback.written(bytes.size());
        bytes.resize(0);
    };
    const auto outgoingOf = [&](const StoredRow &row, bool ownKey, QByteArray buffer) {
        Outgoing o = outgoing(row, ownKey, format, keys.get(), std::move(buffer));
        o.citationHash = qHash(o.citation.toCaseFolded());
        return o;
    };
    // The keys written so far, looked up by the hash each entry brought.
    struct Citation {
        QString text;
        size_t hash;
        bool operator==(const Citation &other) const
        {
            return text.compare(other.text, Qt::CaseInsensitive) == 0;
        }
    };
    struct CitationHash {
        size_t operator()(const Citation &c) const noexcept { return c.hash; }
    };
    std::unordered_set<Citation, CitationHash> citations;
    citations.reserve(size_t(data.RecordCount()));
    QSet<QString> strings;
    // In the dataset's order: a record's key goes to the first entry that claims it.
    const auto writeOut = [&](Outgoing &o) {
        if (o.found && !o.skipped && o.ownCitation &&
            citations.count({o.citation, o.citationHash})) {
            const std::vector<StoredRow> again = books.byKey(o.key);
            o = again.empty() ? Outgoing() : outgoingOf(again.front(), false, std::move(o.text));
        }
        if (!o.found)
            return;
        if (o.skipped) {
            ++result.skipped;
            return;
        }
        citations.insert({std::move(o.citation), o.citationHash});
        // The macros the record uses stand once before the first record that needs them.
        for (const QString &definition : o.strings)
            if (!strings.contains(definition)) {
                strings.insert(definition);
                bytes += definition.toUtf8() + "\n\n";
            }
        ++result.written;
        bytes += o.text;
        if (bytes.size() >= PieceSize)
            spill();
    };

    std::vector<Outgoing> out;
    std::vector<Outgoing> made; // the page before, written out while this one is made
    std::vector<StoredRow> page;
    std::vector<StoredRow> following = books.page(0);
    // The entries' buffers stay from page to page: new ones for every entry, made on one
    // thread and freed on the other, kept the allocator busy.
    const auto writeMade = [&] {
        for (Outgoing &o : made) {
            if (result.ok())
                writeOut(o);
            o.found = false;
        }
    };
    for (int first = 0; first < data.RecordCount() && result.ok() && !result.cancelled;
         first += PageRows) {
        page = std::move(following);
        out.resize(page.size());
        // The page before is written and the next one read while the helper thread begins on
        // this one: the serial work overlaps the shared work rather than waiting between pages.
        shared(
            helper.get(), int(page.size()),
            [&](int i) {
                const StoredRow &row = page[size_t(i)];
                Outgoing &o = out[size_t(i)];
                o = outgoingOf(row, row.hasCitation(), std::move(o.text));
            },
            [&] {
                writeMade();
                following = first + PageRows < data.RecordCount() ? books.page(first + PageRows)
                                                                  : std::vector<StoredRow>();
            });
        std::swap(out, made);
        if (progress && !progress(first + int(page.size()), data.RecordCount()))
            result.cancelled = true;
    }
    if (!result.cancelled) {
        writeMade();
        spill();
    }
    return result;
}

ExportResult exportBibliography(quil::DataSet &data, const QString &path, Format format,
                                const ExportProgress &progress)
{
    QSaveFile file(path);
    ExportResult result;
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = ListExport::cannotCreateFile(path);
        return result;
    }
    result = exportBibliography(data, file, format, progress);
    if (!result.ok() || result.cancelled)
        file.cancelWriting();
    if (result.cancelled)
        return result;
    if (!result.ok() || !file.flush() || !ListExport::commitOver(file, path))
        result.error = ListExport::cannotCreateFile(path);
    return result;
}

QString currentAsBibTeX(quil::DataSet &data)
{
    if (data.IsEmpty())
        return {};
    StoredBooks books(data);
    const std::vector<StoredRow> page = books.page(data.RecNo() - 1);
    if (page.empty())
        return {};
    const StoredBook book = bookOf(page.front());
    if (!book.citation.isEmpty() && unchanged(book) &&
        formatNamed(book.originalFormat) == Format::BibTeX) {
        QStringList text = stringsOf(book);
        text << book.record;
        return text.join(QStringLiteral("\n\n"));
    }
    return bibtexEntry(mergedReference(book),
                       book.citation.isEmpty() ? CitationKeys(data).key(book.key) : book.citation);
}

} // namespace quil::exchange
