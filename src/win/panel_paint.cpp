// How the panel window paints: its background and the cursor pad's outline, the groups' etched
// boxes, the owner-drawn buttons (raised edge, sunk while down, caption fitted), the labels and
// traffic lines, and the logo.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "panel/caption_fit.h"
#include "panel/pixels.h"
#include "win/panel_window.h"
#include "win/wide.h"

namespace r7k::win {

namespace {

constexpr int kEdge = 2;  // width of a button's raised edge

COLORREF toColorRef(const Colour& c) {
    return RGB(c.red, c.green, c.blue);
}

// A colour made lighter or darker by a factor in per cent, as one brightens a face in HSV: the
// value scaled, saturation given up where the value would pass the top.
COLORREF shaded(COLORREF colour, int factor, bool lighter) {
    const double r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b});
    double h = 0;
    if (hi > lo) {
        const double d = hi - lo;
        h = hi == r ? std::fmod((g - b) / d + 6, 6) : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
    }
    double s = hi == 0 ? 0 : (hi - lo) * 255 / hi;
    double v = lighter ? hi * factor / 100 : hi * 100 / factor;
    if (v > 255) {
        s = std::max(0.0, s - (v - 255));
        v = 255;
    }
    const double chroma = v * s / 255, x = chroma * (1 - std::fabs(std::fmod(h, 2) - 1));
    const double m = v - chroma;
    double rgb[3]{};
    const int sector = int(h) % 6;
    const double table[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x},
                                {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
    for (int i = 0; i < 3; ++i)
        rgb[i] = std::lround(table[sector][i] + m);
    return RGB(BYTE(rgb[0]), BYTE(rgb[1]), BYTE(rgb[2]));
}

void fill(HDC dc, int left, int top, int width, int height, COLORREF colour) {
    const RECT r{left, top, left + width, top + height};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

int advance(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    return size.cx;
}

// The rows lines drawn `spacing` apart in the DC's font ink, from the top of the first line's
// cell to one past the last inked row. Drawn and looked at, as a face that stands in for
// missing glyphs (Japanese, say) inks where the font's metrics do not say.
struct InkRows {
    int top = 0;
    int bottom = 0;
};
InkRows inkRows(HDC dc, const std::vector<std::wstring>& lines, int spacing, int width,
                int height) {
    const int pad = height;  // room for ink above and below the cells
    const int w = width + 2 * pad, h = height + 2 * pad;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!mem || !bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        if (mem)
            DeleteDC(mem);
        return {0, height};  // the cells, then
    }
    const HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    const HGDIOBJ oldFont = SelectObject(mem, GetCurrentObject(dc, OBJ_FONT));
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill_n(pixels, std::size_t(w) * std::size_t(h), 0xFFFFFFu);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(0, 0, 0));
    for (std::size_t i = 0; i < lines.size(); ++i)
        ExtTextOutW(mem, pad, pad + int(i) * spacing, 0, nullptr, lines[i].c_str(),
                    UINT(lines[i].size()), nullptr);
    GdiFlush();
    InkRows ink{h, 0};
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* row = pixels + std::size_t(y) * std::size_t(w);
        if (std::any_of(row, row + w, [](std::uint32_t p) { return (p & 0xFFFFFFu) != 0xFFFFFFu; }))
            ink = {std::min(ink.top, y - pad), y - pad + 1};
    }
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    return ink.top <= ink.bottom ? ink : InkRows{0, 0};
}

}  // namespace

HBRUSH PanelWindow::brushFor(const Colour& colour) {
    const COLORREF c = colour.paint == Paint::Rgb ? toColorRef(colour) : GetSysColor(COLOR_BTNFACE);
    HBRUSH& brush = m_brushes[c];
    if (brush == nullptr)
        brush = CreateSolidBrush(c);
    return brush;
}

void PanelWindow::paintWindow(HDC dc) {
    RECT client;
    GetClientRect(m_hwnd, &client);
    fill(dc, 0, 0, client.right, client.bottom, toColorRef(kWindowBack));
    // Square-capped lines kLinePixels wide, centred on the laid-out line, as a pen draws them.
    const int half = kLinePixels / 2;
    for (const LineSpec& line : kLines) {
        const int x1 = toPixels(std::min(line.x1, line.x2), m_twipsPerPixel);
        const int x2 = toPixels(std::max(line.x1, line.x2), m_twipsPerPixel);
        const int y1 = toPixels(std::min(line.y1, line.y2), m_twipsPerPixel);
        const int y2 = toPixels(std::max(line.y1, line.y2), m_twipsPerPixel);
        fill(dc, x1 - half, y1 - half, x2 - x1 + kLinePixels, y2 - y1 + kLinePixels,
             toColorRef(kLineColour));
    }
}

void PanelWindow::paintFrame(HWND frame, HDC dc) {
    RECT r;
    GetClientRect(frame, &r);
    fill(dc, 0, 0, r.right, r.bottom, toColorRef(kWindowBack));
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
}

void PanelWindow::drawItem(const DRAWITEMSTRUCT& item) {
    Control* c = find(item.hwndItem);
    if (c == nullptr)
        return;
    const int saved = SaveDC(item.hDC);
    switch (c->row->kind) {
        case ControlKind::Button:
            drawButton(*c, item);
            break;
        case ControlKind::Label:
            drawLabel(*c, item);
            break;
        case ControlKind::Image: {
            const RECT& r = item.rcItem;
            fill(item.hDC, 0, 0, r.right, r.bottom, toColorRef(kWindowBack));
            BITMAP bitmap{};
            if (m_logo && GetObjectW(m_logo, sizeof bitmap, &bitmap)) {
                HDC source = CreateCompatibleDC(item.hDC);
                HGDIOBJ old = SelectObject(source, m_logo);
                // The logo fills its place; the bitmap of twice the size is scaled down
                // smoothly between 100 % and 200 %.
                SetStretchBltMode(item.hDC, HALFTONE);
                StretchBlt(item.hDC, 0, 0, r.right - r.left, r.bottom - r.top, source, 0, 0,
                           bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
                SelectObject(source, old);
                DeleteDC(source);
            }
            break;
        }
        default:
            break;
    }
    RestoreDC(item.hDC, saved);
}

void PanelWindow::fitCaption(Control& c, HDC dc, const RECT& room) {
    const Face face = c.row->font.face;
    const bool bold = c.row->font.bold;
    const int width = room.right - room.left;
    const int buttonHeight = room.bottom + room.top;  // the room is inset evenly
    const FittedCaption fitted = r7k::fitCaption(m_fonts.pointsOf(c.row->font), [&](double points) {
        SelectObject(dc, m_fonts.font(face, points, bold));
        const MeasureText measure = [dc](std::string_view text) {
            return advance(dc, toWide(text));
        };
        CaptionTrial trial;
        trial.lines = wrapCaption(c.caption, measure, width);
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        const int spacing = tm.tmHeight + tm.tmExternalLeading;
        const int total = int(trial.lines.size() - 1) * spacing + tm.tmHeight;
        const int top = (buttonHeight - total) / 2;  // as drawButton places the first line
        int widest = 0;
        std::vector<std::wstring> wide;
        for (const std::string& line : trial.lines) {
            widest = std::max(widest, measure(line));
            wide.push_back(toWide(line));
        }
        if (widest > width)
            return trial;
        const InkRows ink = inkRows(dc, wide, spacing, widest, total);
        trial.fits = top + ink.top >= room.top && top + ink.bottom <= room.bottom;
        return trial;
    });
    c.points = fitted.points;
    c.lines.clear();
    for (const std::string& line : fitted.lines)
        c.lines.push_back(toWide(line));
    c.fitted = true;
}

void PanelWindow::drawButton(Control& c, const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const int w = item.rcItem.right - item.rcItem.left, h = item.rcItem.bottom - item.rcItem.top;
    const COLORREF face =
        c.row->back.paint == Paint::Rgb ? toColorRef(c.row->back) : GetSysColor(COLOR_BTNFACE);
    const bool down = (item.itemState & ODS_SELECTED) != 0;
    fill(dc, 0, 0, w, h, face);
    const COLORREF light = shaded(face, 140, true), shade = shaded(face, 160, false);
    for (int i = 0; i < kEdge; ++i) {
        fill(dc, i, i, w - 2 * i, 1, down ? shade : light);
        fill(dc, i, i, 1, h - 2 * i, down ? shade : light);
        fill(dc, i, h - 1 - i, w - 2 * i, 1, down ? light : shade);
        fill(dc, w - 1 - i, i, 1, h - 2 * i, down ? light : shade);
    }
    const COLORREF text =
        c.row->fore.paint == Paint::Rgb ? toColorRef(c.row->fore) : GetSysColor(COLOR_BTNTEXT);
    if (item.itemState & ODS_FOCUS) {
        // A dotted rectangle under the caption, so it never hides a glyph.
        const int l = kEdge + 1, t = kEdge + 1, r = w - kEdge - 2, b = h - kEdge - 2;
        for (int x = l; x <= r; x += 2) {
            SetPixel(dc, x, t, text);
            SetPixel(dc, x, b, text);
        }
        for (int y = t; y <= b; y += 2) {
            SetPixel(dc, l, y, text);
            SetPixel(dc, r, y, text);
        }
    }
    if (!c.fitted)
        // A row of face above and below the ink: a glyph never touches the edge, pressed or not.
        fitCaption(c, dc, RECT{kEdge + 1, kEdge + 1, w - kEdge - 1, h - kEdge - 1});
    SelectObject(dc, m_fonts.font(c.row->font.face, c.points, c.row->font.bold));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int spacing = tm.tmHeight + tm.tmExternalLeading;
    const int shift = down ? 1 : 0;
    int y = (h - (int(c.lines.size()) - 1) * spacing - tm.tmHeight) / 2 + shift;
    for (const std::wstring& line : c.lines) {
        ExtTextOutW(dc, (w - advance(dc, line)) / 2 + shift, y, 0, nullptr, line.c_str(),
                    UINT(line.size()), nullptr);
        y += spacing;
    }
}

void PanelWindow::drawLabel(const Control& c, const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    fill(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, toColorRef(c.row->back));
    if (c.row->border) {
        // Always black, whatever the text's colour.
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        FrameRect(dc, &r, black);
        InflateRect(&r, -1, -1);
    }
    SelectObject(dc, m_fonts.font(c.row->font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(c.row->fore));
    const UINT align = c.row->align == Align::Centre  ? DT_CENTER
                       : c.row->align == Align::Right ? DT_RIGHT
                                                      : DT_LEFT;
    std::wstring text = toWide(c.caption);
    DrawTextW(dc, text.data(), int(text.size()), &r, align | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS);
}

}  // namespace r7k::win
