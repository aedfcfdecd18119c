#pragma once

#include <QStaticText>

class QFont;
class QTextDocument;

namespace quil {

// Lays out a line of plain text that is clipped to `room` pixels. A text drawn from its left
// edge and much wider than its room is laid out only up to a blank past the room's edge: the
// glyphs before a blank sit where they sit in the whole line, so the pixels drawn are the same.
// Returns how far the laid-out text reaches from its left; infinite when it holds the whole text.
qreal prepareVisibleLine(QStaticText &laidOut, const QString &text, const QFont &font, int room,
                         Qt::Alignment alignment, Qt::LayoutDirection direction);
// How far from its left a line so aligned must be laid out to fill a room of `room` pixels.
qreal neededReach(int room, Qt::Alignment alignment, Qt::LayoutDirection direction);

// Has each paragraph of a document keep the glyphs shaped to lay it out: Qt frees them after the
// layout, and placing the caret and painting then shape every line again.
void keepShapedGlyphs(QTextDocument &document);

} // namespace quil
