// Looking at what a screen shows: sprites, texts and quiet areas, compared
// pixel by pixel with the pictures they come from.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/font.h"
#include "platform/surface.h"

namespace test {

// Whether the sprite's source rectangle shows at (left, top) of the target
// as CopyRect with this key would have put it there: a Key::Source copy
// skips the sprite's colour key. Fails on a sprite with nothing to compare.
inline ::testing::AssertionResult ShowsSprite(const platform::Surface& target, int left, int top,
                                              const platform::Surface& sprite,
                                              platform::Rect source = platform::WholeSurface,
                                              platform::Key key = platform::Key::Source) {
    source = sprite.Resolve(source);
    int compared = 0, wrong = 0;
    for (int y = source.Top; y < source.Bottom; ++y)
        for (int x = source.Left; x < source.Right; ++x) {
            const uint16_t p = sprite.Pixel(x, y);
            if (key == platform::Key::Source && sprite.HasColourKey() && p == sprite.ColourKey()) continue;
            ++compared;
            if (target.Pixel(left + x - source.Left, top + y - source.Top) != p) ++wrong;
        }
    if (compared == 0) return ::testing::AssertionFailure() << "the sprite has no visible pixels";
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ at (" << left << ", " << top << ")";
}

// Whether text drawn with the bitmap font at (x, y) over ground (the
// picture behind it; black when null) is what the target shows there. Up
// to `right`, when given, the ground must follow: nothing after the text.
inline ::testing::AssertionResult ShowsText(const platform::Surface& target, int x, int y, const std::string& text,
                                            const platform::Surface* ground = nullptr, int right = 0) {
    const int w = platform::TextWidth(text);
    if (w <= 0) return ::testing::AssertionFailure() << "\"" << text << "\" has no width";
    platform::Surface expected(target.Width(), target.Height());
    if (ground) platform::CopyRect(expected, platform::WholeSurface, *ground, platform::WholeSurface);
    const platform::Surface before = expected;
    platform::DrawText(x, y, text, expected);
    int inked = 0, wrong = 0;
    for (int py = y; py < y + platform::GlyphHeight && py < target.Height(); ++py)
        for (int px = x; px < std::max(x + w, right) && px < target.Width(); ++px) {
            if (expected.Pixel(px, py) != before.Pixel(px, py)) ++inked;
            if (expected.Pixel(px, py) != target.Pixel(px, py)) ++wrong;
        }
    if (inked == 0) return ::testing::AssertionFailure() << "\"" << text << "\" draws nothing";
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" at (" << x << ", " << y << "): " << wrong
                                         << " pixels differ";
}

// Whether every pixel of the rectangle is p.
inline bool AllPixels(const platform::Surface& s, platform::Rect r, uint16_t p) {
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (s.Pixel(x, y) != p) return false;
    return true;
}

}  // namespace test
