#include "rtf/RtfQtFormat.h"

#include <cmath>

namespace quil::rtf {

int RtfQtFormat::twips(double pixels)
{
    const double t = std::round(pixels * kTwipsPerPixel);
    return int(std::fmax(-31680.0, std::fmin(31680.0, t)));
}

} // namespace quil::rtf
