#include "panel/pixels.h"

#include <algorithm>
#include <cmath>

namespace r7k {

double twipsPerPixelAt(double dotsPerInch) {
    return dotsPerInch > 0 ? 1440.0 / dotsPerInch : 15.0;
}

int toPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

PixelRect pixelRect(const ControlSpec& row, double twipsPerPixel) {
    const int left = toPixels(row.left, twipsPerPixel);
    const int top = toPixels(row.top, twipsPerPixel);
    return {left, top, toPixels(row.left + row.width, twipsPerPixel) - left,
            toPixels(row.top + row.height, twipsPerPixel) - top};
}

int clientPixelsForOuterHeight(double outerTwips, double twipsPerPixel) {
    return std::max(1, toPixels(outerTwips - kFrameHeight, twipsPerPixel));
}

}  // namespace r7k
