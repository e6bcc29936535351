#pragma once

#include "panel/layout.h"

namespace r7k {

// A control's place on the screen, in pixels, relative to its container.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Twips per pixel at a resolution in dots per inch (15 at 96 DPI, 7.5 at 192).
double twipsPerPixelAt(double dotsPerInch);

// Twips to whole pixels, rounded to the nearest (halves away from zero).
int toPixels(double twips, double twipsPerPixel);

// A laid-out control's rectangle. Edges are converted, not sizes, so controls that touch in
// twips touch in pixels.
PixelRect pixelRect(const ControlSpec& row, double twipsPerPixel);

// The client area's height in pixels for an outer window height in twips: the client band
// keeps its laid-out height whatever the platform's frame takes (at least one pixel).
int clientPixelsForOuterHeight(double outerTwips, double twipsPerPixel);

}  // namespace r7k
