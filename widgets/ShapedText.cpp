#include "widgets/ShapedText.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace quil {

namespace {
// Letters that shape one by one, left to right: below the scripts written right to left.
constexpr char16_t SimpleEnd = 0x0590;

// The advance of each simple letter in one font, measured once: measuring a letter costs about
// as much as shaping it.
struct Advances {
    QFont font;
    std::array<float, SimpleEnd> of;
};

// The few fonts last asked about: the grids and the status bar take turns.
Advances &advancesFor(const QFont &font)
{
    static std::array<std::optional<Advances>, 4> fonts;
    static size_t next = 0;
    for (std::optional<Advances> &known : fonts)
        if (known && known->font == font && known->font.resolveMask() == font.resolveMask())
            return *known;
    std::optional<Advances> &added = fonts[next];
    next = (next + 1) % fonts.size();
    added.emplace();
    added->font = font;
    added->of.fill(-1);
    return *added;
}

// Where a head of `text` that reaches past `reach` pixels can end: at a blank, in a text of
// simple letters only (no scripts written right to left or joined, no tabs or line breaks); the
// whole length where there is no such place.
qsizetype headLength(const QString &text, const QFont &font, qreal reach)
{
    Advances &advances = advancesFor(font);
    std::optional<QFontMetricsF> metrics;
    qreal advance = 0;
    qsizetype cut = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 || c >= SimpleEnd)
            return text.size();
        if (cut >= 0)
            continue;
        if (c == u' ' && advance > reach) {
            cut = i;
            continue;
        }
        if (advances.of[c] < 0) {
            if (!metrics)
                metrics.emplace(font);
            advances.of[c] = float(metrics->horizontalAdvance(QChar(c)));
        }
        advance += advances.of[c];
    }
    return cut < 0 ? text.size() : cut;
}
} // namespace

qreal neededReach(int room, Qt::Alignment alignment, Qt::LayoutDirection direction)
{
    const bool fromLeft =
        !(alignment & (Qt::AlignHCenter | Qt::AlignRight)) && direction == Qt::LeftToRight;
    return fromLeft ? room : std::numeric_limits<qreal>::infinity();
}

qreal prepareVisibleLine(QStaticText &laidOut, const QString &text, const QFont &font, int room,
                         Qt::Alignment alignment, Qt::LayoutDirection direction)
{
    const bool fromLeft = std::isfinite(neededReach(room, alignment, direction));
    const qreal line = QFontMetricsF(font).height();
    const qsizetype head = fromLeft ? headLength(text, font, room + 2 * line) : text.size();
    if (head < text.size()) {
        laidOut.setText(text.left(head));
        laidOut.prepare(QTransform(), font);
        // Kerning may draw a head narrower than its letters' advances; one that falls short of
        // the room's edge gives way to the whole line.
        const qreal reach = laidOut.size().width();
        if (reach > room + line / 2)
            return reach;
    }
    laidOut.setText(text);
    laidOut.prepare(QTransform(), font);
    return std::numeric_limits<qreal>::infinity();
}

void keepShapedGlyphs(QTextDocument &document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        block.layout()->setCacheEnabled(true);
}

} // namespace quil
