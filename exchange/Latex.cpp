#include "exchange/Latex.h"

#include "exchange/Reference.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace quil::exchange {
namespace {

// Accent commands and the combining mark each puts over (or under) its letter.
char16_t accentMark(const QString &name)
{
    static const QHash<QString, char16_t> marks = {
        {QStringLiteral("'"), 0x0301}, {QStringLiteral("`"), 0x0300},
        {QStringLiteral("^"), 0x0302}, {QStringLiteral("\""), 0x0308},
        {QStringLiteral("~"), 0x0303}, {QStringLiteral("="), 0x0304},
        {QStringLiteral("."), 0x0307}, {QStringLiteral("u"), 0x0306},
        {QStringLiteral("v"), 0x030C}, {QStringLiteral("H"), 0x030B},
        {QStringLiteral("c"), 0x0327}, {QStringLiteral("k"), 0x0328},
        {QStringLiteral("r"), 0x030A}, {QStringLiteral("d"), 0x0323},
        {QStringLiteral("b"), 0x0331},
    };
    return marks.value(name, 0);
}

const QHash<QString, QString> &symbols()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("ss"), QStringLiteral("ß")},
        {QStringLiteral("o"), QStringLiteral("ø")},
        {QStringLiteral("O"), QStringLiteral("Ø")},
        {QStringLiteral("l"), QStringLiteral("ł")},
        {QStringLiteral("L"), QStringLiteral("Ł")},
        {QStringLiteral("ae"), QStringLiteral("æ")},
        {QStringLiteral("AE"), QStringLiteral("Æ")},
        {QStringLiteral("oe"), QStringLiteral("œ")},
        {QStringLiteral("OE"), QStringLiteral("Œ")},
        {QStringLiteral("aa"), QStringLiteral("å")},
        {QStringLiteral("AA"), QStringLiteral("Å")},
        {QStringLiteral("i"), QStringLiteral("ı")},
        {QStringLiteral("j"), QStringLiteral("ȷ")},
        {QStringLiteral("textendash"), QStringLiteral("–")},
        {QStringLiteral("textemdash"), QStringLiteral("—")},
        {QStringLiteral("textquotedblleft"), QStringLiteral("“")},
        {QStringLiteral("textquotedblright"), QStringLiteral("”")},
        {QStringLiteral("textquoteleft"), QStringLiteral("‘")},
        {QStringLiteral("textquoteright"), QStringLiteral("’")},
        {QStringLiteral("guillemotleft"), QStringLiteral("«")},
        {QStringLiteral("guillemotright"), QStringLiteral("»")},
        {QStringLiteral("ldots"), QStringLiteral("…")},
        {QStringLiteral("dots"), QStringLiteral("…")},
        {QStringLiteral("textellipsis"), QStringLiteral("…")},
        {QStringLiteral("S"), QStringLiteral("§")},
        {QStringLiteral("P"), QStringLiteral("¶")},
        {QStringLiteral("copyright"), QStringLiteral("©")},
        {QStringLiteral("textregistered"), QStringLiteral("®")},
        {QStringLiteral("texttrademark"), QStringLiteral("™")},
        {QStringLiteral("textdegree"), QStringLiteral("°")},
        {QStringLiteral("textnumero"), QStringLiteral("№")},
        {QStringLiteral("textbackslash"), QStringLiteral("\\")},
        {QStringLiteral("textasciitilde"), QStringLiteral("~")},
        {QStringLiteral("textasciicircum"), QStringLiteral("^")},
        {QStringLiteral("textunderscore"), QStringLiteral("_")},
        {QStringLiteral("textbar"), QStringLiteral("|")},
        {QStringLiteral("textless"), QStringLiteral("<")},
        {QStringLiteral("textgreater"), QStringLiteral(">")},
        {QStringLiteral("pounds"), QStringLiteral("£")},
        {QStringLiteral("euro"), QStringLiteral("€")},
        {QStringLiteral("alpha"), QStringLiteral("α")},
        {QStringLiteral("beta"), QStringLiteral("β")},
        {QStringLiteral("gamma"), QStringLiteral("γ")},
        {QStringLiteral("delta"), QStringLiteral("δ")},
        {QStringLiteral("epsilon"), QStringLiteral("ε")},
        {QStringLiteral("lambda"), QStringLiteral("λ")},
        {QStringLiteral("mu"), QStringLiteral("μ")},
        {QStringLiteral("pi"), QStringLiteral("π")},
        {QStringLiteral("sigma"), QStringLiteral("σ")},
        {QStringLiteral("omega"), QStringLiteral("ω")},
        {QStringLiteral("Omega"), QStringLiteral("Ω")},
        {QStringLiteral("pm"), QStringLiteral("±")},
        {QStringLiteral("times"), QStringLiteral("×")},
        {QStringLiteral("infty"), QStringLiteral("∞")},
    };
    return table;
}

class Converter {
public:
    explicit Converter(const QString &text) : FText(text) {}

    // The characters that begin anything else than plain text.
    static bool special(char16_t c)
    {
        switch (c) {
        case u'\\':
        case u'{':
        case u'}':
        case u'$':
        case u'~':
        case u'-':
        case u'`':
        case u'\'': return true;
        default: return false;
        }
    }

    QString run(qsizetype end)
    {
        QString out;
        out.reserve(end - FPos);
        while (FPos < end) {
            const QChar c = FText[FPos];
            if (c == QLatin1Char('\\')) {
                ++FPos;
                out += command(end);
            } else if (c == QLatin1Char('{')) {
                ++FPos;
                const qsizetype close = groupEnd();
                out += run(close);
                FPos = std::min(close + 1, FText.size());
            } else if (c == QLatin1Char('}') || c == QLatin1Char('$')) {
                ++FPos;
            } else if (c == QLatin1Char('~')) {
                out += QChar(0x00A0);
                ++FPos;
            } else if (c == QLatin1Char('-') && at(FPos + 1) == u'-') {
                const bool em = at(FPos + 2) == u'-';
                out += em ? QChar(0x2014) : QChar(0x2013);
                FPos += em ? 3 : 2;
            } else if (c == QLatin1Char('`') && at(FPos + 1) == u'`') {
                out += QChar(0x201C);
                FPos += 2;
            } else if (c == QLatin1Char('\'') && at(FPos + 1) == u'\'') {
                out += QChar(0x201D);
                FPos += 2;
            } else {
                // A run of plain characters at once; a lone "-", "`" or "'" is plain too.
                const qsizetype from = FPos++;
                while (FPos < end && !special(FText[FPos].unicode()))
                    ++FPos;
                out += QStringView(FText).sliced(from, FPos - from);
            }
        }
        return out;
    }

private:
    char16_t at(qsizetype i) const { return i < FText.size() ? FText[i].unicode() : 0; }

    // The position of the brace that closes the group opened just before FPos.
    qsizetype groupEnd() const
    {
        int depth = 1;
        for (qsizetype i = FPos; i < FText.size(); ++i) {
            if (FText[i] == QLatin1Char('\\')) {
                ++i;
                continue;
            }
            if (FText[i] == QLatin1Char('{'))
                ++depth;
            else if (FText[i] == QLatin1Char('}') && --depth == 0)
                return i;
        }
        return FText.size();
    }

    void skipBlanks(qsizetype end)
    {
        while (FPos < end && FText[FPos].isSpace())
            ++FPos;
    }

    // The argument of an accent: a group, a command such as \i, or one character.
    QString argument(qsizetype end)
    {
        if (FPos >= end)
            return {};
        if (FText[FPos] == QLatin1Char('{')) {
            ++FPos;
            const qsizetype close = groupEnd();
            const QString inner = run(std::min(close, end));
            FPos = std::min(close + 1, FText.size());
            return inner;
        }
        if (FText[FPos] == QLatin1Char('\\')) {
            ++FPos;
            return command(end);
        }
        return QString(FText[FPos++]);
    }

    QString command(qsizetype end)
    {
        if (FPos >= end)
            return {};
        QString name;
        if (FText[FPos].isLetter() && FText[FPos].unicode() < 0x80) {
            while (FPos < end && FText[FPos].isLetter() && FText[FPos].unicode() < 0x80)
                name += FText[FPos++];
        } else {
            name = FText[FPos++];
        }
        if (const char16_t mark = accentMark(name)) {
            if (name[0].isLetter())
                skipBlanks(end);
            QString base = argument(end);
            if (base.isEmpty())
                return QString(QChar(mark));
            // \"{\i} is the dotless i only so that the accent stands alone.
            if (base[0] == QChar(0x0131))
                base[0] = QLatin1Char('i');
            else if (base[0] == QChar(0x0237))
                base[0] = QLatin1Char('j');
            base.insert(1, QChar(mark));
            return base.normalized(QString::NormalizationForm_C);
        }
        if (name.size() == 1 && QStringLiteral("&%$#_{}@ ,;:!").contains(name))
            return name == QLatin1String(",") || name == QLatin1String(";") ||
                           name == QLatin1String(":") || name == QLatin1String("!")
                       ? QString(QChar(0x2009))
                       : name;
        if (name == QLatin1String("\\"))
            return QStringLiteral(" ");
        const bool letters = name[0].isLetter();
        if (letters) {
            // A command word ends at the blank after it, which TeX swallows.
            const qsizetype before = FPos;
            skipBlanks(end);
            const auto symbol = symbols().constFind(name);
            if (symbol != symbols().constEnd()) {
                if (FPos < end && FText[FPos] == QLatin1Char('{') && at(FPos + 1) == u'}')
                    FPos += 2; // \ss{} as \ss
                return *symbol;
            }
            if (FPos > before && (FPos >= end || FText[FPos] != QLatin1Char('{')))
                return QStringLiteral(" ");
        }
        // A formatting command (\emph, \textit, ...) or one unknown: its argument stays.
        return {};
    }

    const QString &FText;
    qsizetype FPos = 0;
};

} // namespace

QString latexToUnicode(const QString &value)
{
    // Most values hold no markup: one look over them, not one for each character that may.
    const bool plain = std::none_of(value.begin(), value.end(), [](QChar c) {
        return c == u'\n' || Converter::special(c.unicode());
    });
    if (plain && !value.contains(QLatin1String("  ")))
        return collapsedBlanks(value);
    Converter converter(value);
    return collapsedBlanks(converter.run(value.size()));
}

const char *latexEscape(char16_t c)
{
    // A table, not a search of the list: every character of every exported value is looked up.
    static const std::array<const char *, 0x80> table = [] {
        std::array<const char *, 0x80> built{};
        const std::pair<char, const char *> escapes[] = {{'\\', "\\textbackslash{}"},
                                                         {'{', "\\{"},
                                                         {'}', "\\}"},
                                                         {'&', "\\&"},
                                                         {'%', "\\%"},
                                                         {'$', "\\$"},
                                                         {'#', "\\#"},
                                                         {'_', "\\_"},
                                                         {'~', "\\textasciitilde{}"},
                                                         {'^', "\\textasciicircum{}"},
                                                         {'\r', ""},
                                                         {'\n', " "},
                                                         {'\t', " "}};
        for (const auto &[special, escape] : escapes)
            built[size_t(special)] = escape;
        return built;
    }();
    return c < 0x80 ? table[c] : nullptr;
}

QString unicodeToLatex(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return latexEscape(c.unicode()); }))
        return text;
    QString out;
    out.reserve(text.size() + 64);
    qsizetype plain = 0; // the start of the run of ordinary characters not yet copied
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char *escape = latexEscape(text[i].unicode());
        if (!escape)
            continue;
        out.append(QStringView(text).sliced(plain, i - plain));
        plain = i + 1;
        out += QLatin1String(escape);
    }
    out.append(QStringView(text).sliced(plain));
    return out;
}

} // namespace quil::exchange
