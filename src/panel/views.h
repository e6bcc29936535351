#pragma once

namespace r7k {

// Outer window heights of the four views, in twips (title bar and borders included).
inline constexpr double kCompactHeight = 5350;
inline constexpr double kDataHeight = 6645;
inline constexpr double kExtendedHeight = 7200;
inline constexpr double kFullHeight = 9100;
// At or above this height the view button closes to the compact view.
inline constexpr double kCloseThreshold = 6000;

inline constexpr int kKeyJ = 74;
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

inline constexpr const char* kCaptionShowData = "データを表示する";
inline constexpr const char* kCaptionHideData = "データを表示しない";
inline constexpr const char* kCaptionClose = "CLOSE";

}  // namespace r7k
