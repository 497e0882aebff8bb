#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform {

Colour FromPixel565(uint16_t p) {
    int r = p >> 11 & 31, g = p >> 5 & 63, b = p & 31;
    return Rgb(r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2);
}

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), pixels_(size_t(width_) * size_t(height_)) {}

namespace {

bool Inside(const Surface& s, const Rect& r) {
    return r.Left >= 0 && r.Top >= 0 && r.Right <= s.Width() && r.Bottom <= s.Height();
}

void Plot(Surface& s, int x, int y, uint16_t p) {
    if (x >= 0 && y >= 0 && x < s.Width() && y < s.Height()) s.SetPixel(x, y, p);
}

}  // namespace

void CopyRect(Surface& dst, const Rect& dstRect, const Surface& src, const Rect& srcRect, Key key) {
    const Rect d = dst.Resolve(dstRect), s = src.Resolve(srcRect);
    const int dw = d.Right - d.Left, dh = d.Bottom - d.Top, sw = s.Right - s.Left, sh = s.Bottom - s.Top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || !Inside(src, s)) return;
    const bool keyed = key == Key::Source && src.HasColourKey();
    const uint16_t k = src.ColourKey();
    const int x0 = std::max(d.Left, 0), x1 = std::min(d.Right, dst.Width());
    const int y0 = std::max(d.Top, 0), y1 = std::min(d.Bottom, dst.Height());
    if (dw == sw && dh == sh) {  // the common case: no stretching
        for (int y = y0; y < y1; ++y) {
            const uint16_t* from = src.Row(s.Top + y - d.Top) + (s.Left + x0 - d.Left);
            uint16_t* to = dst.Row(y) + x0;
            if (!keyed) {
                std::memcpy(to, from, size_t(x1 - x0) * sizeof(uint16_t));
                continue;
            }
            for (int x = 0; x < x1 - x0; ++x)
                if (from[x] != k) to[x] = from[x];
        }
        return;
    }
    for (int y = y0; y < y1; ++y) {
        // 64-bit products: rectangles are 32-bit and may be far apart.
        const int sy = s.Top + int(int64_t(y - d.Top) * sh / dh);
        const uint16_t* from = src.Row(sy);
        uint16_t* to = dst.Row(y);
        for (int x = x0; x < x1; ++x) {
            const uint16_t p = from[s.Left + int(int64_t(x - d.Left) * sw / dw)];
            if (!keyed || p != k) to[x] = p;
        }
    }
}

void FillRect(Surface& dst, const Rect& r, Colour c) {
    const Rect d = dst.Resolve(r);
    const uint16_t p = ToPixel565(c);
    const int x0 = std::max(d.Left, 0), x1 = std::min(d.Right, dst.Width());
    for (int y = std::max(d.Top, 0); y < std::min(d.Bottom, dst.Height()); ++y)
        if (x0 < x1) std::fill(dst.Row(y) + x0, dst.Row(y) + x1, p);
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2) {
    const uint16_t p = ToPixel565(s.ForeColour());
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    while (x1 != x2 || y1 != y2) {  // the end point itself is left out
        Plot(s, x1, y1, p);
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x1 += stepX; }
        if (e2 <= dx) { err += dx; y1 += stepY; }
    }
}

void DrawBox(Surface& s, int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    DrawLine(s, left, top, right - 1, top);
    DrawLine(s, right - 1, top, right - 1, bottom - 1);
    DrawLine(s, right - 1, bottom - 1, left, bottom - 1);
    DrawLine(s, left, bottom - 1, left, top);
}

void DrawCircle(Surface& s, int cx, int cy, int radius) {
    const uint16_t p = ToPixel565(s.ForeColour());
    if (radius <= 0) { Plot(s, cx, cy, p); return; }
    int x = radius, y = 0, err = 1 - radius;
    while (x >= y) {
        const int pts[8][2] = {{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}};
        for (const auto& q : pts) Plot(s, cx + q[0], cy + q[1], p);
        ++y;
        if (err < 0) err += 2 * y + 1;
        else { --x; err += 2 * (y - x) + 1; }
    }
}

namespace {

// Whether pixel (x, y) lies inside the rounded rectangle [x1, x2) x [y1, y2)
// whose corners are quarter ellipses of rx by ry, tested at pixel centres.
bool InRoundBox(int x, int y, int x1, int y1, int x2, int y2, double rx, double ry) {
    if (x < x1 || y < y1 || x >= x2 || y >= y2) return false;
    if (rx <= 0 || ry <= 0) return true;
    const double px = x + 0.5, py = y + 0.5;
    const double ex = px < x1 + rx ? x1 + rx : px > x2 - rx ? x2 - rx : px;
    const double ey = py < y1 + ry ? y1 + ry : py > y2 - ry ? y2 - ry : py;
    const double nx = (px - ex) / rx, ny = (py - ey) / ry;
    return nx * nx + ny * ny <= 1.0;
}

}  // namespace

void DrawRoundBox(Surface& s, int x1, int y1, int x2, int y2, int cornerW, int cornerH, bool filled) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    const double rx = std::min(cornerW, x2 - x1) / 2.0, ry = std::min(cornerH, y2 - y1) / 2.0;
    const uint16_t p = ToPixel565(s.ForeColour());
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x) {
            if (!InRoundBox(x, y, x1, y1, x2, y2, rx, ry)) continue;
            const bool edge = !InRoundBox(x - 1, y, x1, y1, x2, y2, rx, ry) ||
                              !InRoundBox(x + 1, y, x1, y1, x2, y2, rx, ry) ||
                              !InRoundBox(x, y - 1, x1, y1, x2, y2, rx, ry) ||
                              !InRoundBox(x, y + 1, x1, y1, x2, y2, rx, ry);
            if (filled || edge) Plot(s, x, y, p);
        }
}

}  // namespace platform
