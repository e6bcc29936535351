#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "panel/layout.h"

namespace r7k::win {

// The installed face that stands for a laid-out face: the Japanese name Windows gives it, its
// English name, or a look-alike Wine finds through fontconfig. Empty for Face::Default.
std::wstring installedFace(Face face);

// The panel's fonts at one resolution, each made once and kept until the resolution changes
// (a move to a monitor of another scale).
class Fonts {
  public:
    explicit Fonts(UINT dpi = USER_DEFAULT_SCREEN_DPI) : m_dpi(dpi) {}
    ~Fonts() { clear(); }
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    void setDpi(UINT dpi);
    UINT dpi() const { return m_dpi; }
    // The laid-out font.
    HFONT font(const FontSpec& wanted) { return font(wanted.face, pointsOf(wanted), wanted.bold); }
    // A face at any size (caption fitting tries smaller ones).
    HFONT font(Face face, double points, bool bold);
    // The size the font of a laid-out row starts at: its own, or the default font's.
    double pointsOf(const FontSpec& wanted) const;

  private:
    void clear();

    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    std::map<std::tuple<Face, int, bool>, HFONT> m_fonts;  // by face, quarter points, weight
};

}  // namespace r7k::win
