#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace r7k {

// How a button's caption is fitted into it, whatever draws it: broken into lines no wider than
// the room (at blanks where there are any, otherwise between characters, as Japanese is), and
// when the lines are still too tall or wide, drawn in a smaller font, a quarter point at a time,
// down to kSmallestCaptionPoints. Texts are UTF-8; lines break only between whole characters.

inline constexpr double kSmallestCaptionPoints = 6;
inline constexpr double kCaptionPointStep = 0.25;

// The advance width of a text in the font being tried, in pixels.
using MeasureText = std::function<int(std::string_view text)>;

std::vector<std::string> wrapCaption(std::string_view caption, const MeasureText& advance,
                                     int width);

// What a font of a given size makes of a caption: its lines and whether their ink fits the room.
struct CaptionTrial {
    std::vector<std::string> lines;
    bool fits = false;
};

// The first size, from `points` down, at which the caption fits (or the smallest), and its
// lines. `tryAt` lays the caption out at a size: its lines (from wrapCaption, broken at that
// size or once at the starting size) and whether their ink fits the room.
struct FittedCaption {
    double points = 0;
    std::vector<std::string> lines;
};
FittedCaption fitCaption(double points, const std::function<CaptionTrial(double points)>& tryAt);

}  // namespace r7k
