// Looking at what a screen shows: sprites, texts and quiet areas, compared
// pixel by pixel with the pictures they come from.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/font.h"
#include "platform/surface.h"

namespace test {

// Pixels of the sprite's source rectangle (skipping its colour key) that do
// not show at (left, top) of the target. -1 when the sprite is empty or has
// nothing but key pixels, so a check can never pass on nothing.
inline int SpriteMismatches(const platform::Surface& target, int left, int top, const platform::Surface& sprite,
                            platform::Rect source = platform::WholeSurface) {
    source = sprite.Resolve(source);
    int compared = 0, wrong = 0;
    for (int y = source.Top; y < source.Bottom; ++y)
        for (int x = source.Left; x < source.Right; ++x) {
            const uint16_t p = sprite.Pixel(x, y);
            if (sprite.HasColourKey() && p == sprite.ColourKey()) continue;
            ++compared;
            if (target.Pixel(left + x - source.Left, top + y - source.Top) != p) ++wrong;
        }
    return compared == 0 ? -1 : wrong;
}

inline ::testing::AssertionResult ShowsSprite(const platform::Surface& target, int left, int top,
                                              const platform::Surface& sprite,
                                              platform::Rect source = platform::WholeSurface) {
    const int wrong = SpriteMismatches(target, left, top, sprite, source);
    if (wrong == 0) return ::testing::AssertionSuccess();
    if (wrong < 0) return ::testing::AssertionFailure() << "the sprite has no visible pixels";
    return ::testing::AssertionFailure() << wrong << " pixels differ at (" << left << ", " << top << ")";
}

// Whether text drawn with the bitmap font at (x, y) over ground (the
// picture behind it; black when null) is what the target shows there.
inline ::testing::AssertionResult ShowsText(const platform::Surface& target, int x, int y, const std::string& text,
                                            const platform::Surface* ground = nullptr) {
    const int w = platform::TextWidth(text);
    if (w <= 0) return ::testing::AssertionFailure() << "\"" << text << "\" has no width";
    platform::Surface expected(target.Width(), target.Height());
    if (ground) platform::CopyRect(expected, platform::WholeSurface, *ground, platform::WholeSurface);
    else platform::FillRect(expected, platform::WholeSurface, 0);
    const platform::Surface before = expected;
    platform::DrawText(x, y, text, expected);
    int inked = 0, wrong = 0;
    for (int py = y; py < y + platform::GlyphHeight && py < target.Height(); ++py)
        for (int px = x; px < x + w && px < target.Width(); ++px) {
            if (expected.Pixel(px, py) != before.Pixel(px, py)) ++inked;
            if (expected.Pixel(px, py) != target.Pixel(px, py)) ++wrong;
        }
    if (inked == 0) return ::testing::AssertionFailure() << "\"" << text << "\" draws nothing";
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\" at (" << x << ", " << y << "): " << wrong
                                         << " pixels differ";
}

}  // namespace test
