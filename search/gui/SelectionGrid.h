#pragma once

namespace quil {
class DBGrid;
}

namespace search {

// Gives the selection grid DBgrQuery its columns (author, title, year) with bold maroon
// titles. The query's fields carry no shortening hook, so the cells show the full texts.
void setUpSelectionGrid(quil::DBGrid &grid);

} // namespace search
