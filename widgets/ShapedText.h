#pragma once

class QTextDocument;

namespace quil {

// Has each paragraph of a document keep the glyphs shaped to lay it out: Qt frees them after the
// layout, and placing the caret and painting then shape every line again.
void keepShapedGlyphs(QTextDocument &document);

} // namespace quil
