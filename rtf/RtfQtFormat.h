#pragma once

#include <QTextFormat>

namespace quil::rtf {

// How RTF measures and list details map onto Qt's text model, shared by the reader and the
// writer so that a round trip keeps them.
class RtfQtFormat {
public:
    // Qt lays text out in pixels at 96 dpi; RTF measures in twips (1/1440 inch).
    static constexpr double kTwipsPerPixel = 15.0;
    // Qt 6.4 lists have no start number: it is kept here on the list format.
    static constexpr int kListStart = QTextFormat::UserProperty + 1;
    // A list paragraph's first-line indent (twips), which Qt's list marker area replaces.
    static constexpr int kListHanging = QTextFormat::UserProperty + 2;

    static double pixels(int twips) { return twips / kTwipsPerPixel; }
    static int twips(double pixels);
};

} // namespace quil::rtf
