// The letters-and-levels file, the bitmap font, the busy wait and the
// full-screen message.
#include <string>
#include <vector>

#include "data/files.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"

namespace {

using platform::FontMetrics;

// A level line in the file's fixed columns.
std::string LevelLine(const char* numbers, const std::string& title) { return std::string(numbers) + title; }

// 30 level lines, then a glyph table where character i of the font has
// left 10 i, top i, width i + 1, spread over lines and commas with blanks.
std::string LevelsFile(std::vector<std::string> lines) {
    std::string text;
    for (int k = 0; k < LevelCount; ++k)
        text += (size_t(k) < lines.size() ? lines[size_t(k)] : LevelLine("00109509509530599010", "Filler")) + "\r\n";
    const std::string chars = platform::FontCharacters;
    for (size_t i = 0; i < chars.size(); ++i)
        text += std::to_string(10 * i) + " , " + std::to_string(i) + (i % 2 ? "\r\n" : ",") + std::to_string(i + 1) +
                "\r\n";
    return text;
}

std::string FatalMessage(const std::string& text) {
    try {
        platform::ParseLevelsAndFont(text);
    } catch (const data::FatalError& e) {
        return e.what();
    }
    return "";
}

class LevelsFileParsing : public test::Headless {};

TEST_F(LevelsFileParsing, FixedColumnsWithLeadingZerosAndTitles) {
    platform::ParseLevelsAndFont(LevelsFile({
        LevelLine("91207509001031299072", "Seven Seas"),
        LevelLine("00400000125520501231", ""),             // exactly 20 characters: no title
        LevelLine("33300710025590202230", " spaced  out "),  // the title keeps its blanks
    }));
    const LevelInfo& a = LevelTable[0];
    EXPECT_EQ(a.Background, 9);
    EXPECT_EQ(a.Music, 1);
    EXPECT_EQ(a.PieceKind, 2);
    EXPECT_EQ(a.ColourLimit, 75);
    EXPECT_EQ(a.StoneLimit, 90);
    EXPECT_EQ(a.Speed, 10);
    EXPECT_EQ(a.MinBlocks, 3);
    EXPECT_EQ(a.LineQuota, 12);
    EXPECT_EQ(a.FillRange, 99);
    EXPECT_EQ(a.DisplayNumber, 7);
    EXPECT_EQ(a.Directions, 2);
    EXPECT_EQ(a.Title, "Seven Seas");  // no carriage return left over

    const LevelInfo& b = LevelTable[1];
    EXPECT_EQ(b.PieceKind, 4);
    EXPECT_EQ(b.ColourLimit, 0);
    EXPECT_EQ(b.StoneLimit, 1);
    EXPECT_EQ(b.Speed, 255);
    EXPECT_EQ(b.MinBlocks, 2);
    EXPECT_EQ(b.LineQuota, 5);
    EXPECT_EQ(b.FillRange, 1);
    EXPECT_EQ(b.DisplayNumber, 23);
    EXPECT_EQ(b.Directions, 1);
    EXPECT_EQ(b.Title, "");
    EXPECT_EQ(LevelTable[2].Title, " spaced  out ");
    EXPECT_EQ(LevelTable[29].Title, "Filler");
}

TEST_F(LevelsFileParsing, GlyphTableFillsTheFontCharactersOnly) {
    platform::ParseLevelsAndFont(LevelsFile({}));
    const std::string chars = platform::FontCharacters;
    ASSERT_EQ(chars.size(), 85u);
    EXPECT_EQ(chars[26], ' ');
    EXPECT_EQ(chars[84], '"');
    for (size_t i = 0; i < chars.size(); ++i) {
        const auto& m = FontMetrics[uint8_t(chars[i])];
        EXPECT_EQ(m.SheetLeft, 10 * int(i)) << chars[i];
        EXPECT_EQ(m.SheetTop, int(i)) << chars[i];
        EXPECT_EQ(m.Width, int(i) + 1) << chars[i];
    }
    for (unsigned char c : std::string("@~_[]{}|^`\t\xe9")) EXPECT_EQ(FontMetrics[c].Width, 0) << int(c);
}

TEST_F(LevelsFileParsing, BrokenLevelLinesAreRejectedNamingTheLine) {
    const std::string shortLine = FatalMessage(LevelsFile({"", "", "", "", LevelLine("0010950950953059901", "")}));
    EXPECT_NE(shortLine.find("line 1:"), std::string::npos) << shortLine;  // an empty line is short too

    std::vector<std::string> lines(4, LevelLine("00109509509530599010", "Fine"));
    lines.push_back(LevelLine("0010950950953059901", ""));  // 19 characters
    const std::string nineteen = FatalMessage(LevelsFile(lines));
    EXPECT_NE(nineteen.find("line 5:"), std::string::npos) << nineteen;

    lines.back() = LevelLine("0010a5095095305990100", "Letters");
    const std::string letters = FatalMessage(LevelsFile(lines));
    EXPECT_NE(letters.find("line 5:"), std::string::npos) << letters;
    EXPECT_NE(letters.find("column 4"), std::string::npos) << letters;

    lines.back() = LevelLine("0010950950953  99010", "Blank quota");
    EXPECT_NE(FatalMessage(LevelsFile(lines)).find("line 5:"), std::string::npos);

    // Too few lines, or a glyph table that stops early.
    EXPECT_NE(FatalMessage("00109509509530599010\r\n").find("1 of 30"), std::string::npos);
    std::string cut = LevelsFile({});
    cut.resize(cut.size() - 40);
    EXPECT_NE(FatalMessage(cut).find("glyph table"), std::string::npos);
}

class BitmapFont : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }
    // A black surface with text drawn on it.
    static platform::Surface Drawn(std::initializer_list<std::pair<int, std::string>> texts, int y = 40) {
        platform::Surface s(640, 100);
        for (const auto& [x, text] : texts) platform::DrawText(x, y, text, s);
        return s;
    }
};

TEST_F(BitmapFont, EveryGlyphLiesOnTheSheetAndShowsSomething) {
    const platform::Surface& sheet = platform::FontSurface;
    ASSERT_EQ(sheet.Width(), 400);
    ASSERT_EQ(sheet.Height(), 89);
    for (const char* c = platform::FontCharacters; *c; ++c) {
        const auto& m = FontMetrics[uint8_t(*c)];
        SCOPED_TRACE(std::string("glyph '") + *c + "'");
        EXPECT_GT(m.Width, 0);
        EXPECT_GE(m.SheetLeft, 0);
        EXPECT_GE(m.SheetTop, 0);
        ASSERT_LE(m.SheetLeft + m.Width, sheet.Width());
        ASSERT_LE(m.SheetTop + platform::GlyphHeight, sheet.Height());
        int lit = 0;
        for (int y = m.SheetTop; y < m.SheetTop + platform::GlyphHeight; ++y)
            for (int x = m.SheetLeft; x < m.SheetLeft + m.Width; ++x) lit += sheet.Pixel(x, y) != sheet.ColourKey();
        if (*c == ' ') {
            EXPECT_EQ(lit, 0);
        } else {
            EXPECT_GT(lit, 0);
        }
    }
}

TEST_F(BitmapFont, ThePenMovesOnByTheWidthOfEachGlyph) {
    const int a = platform::TextWidth("A"), w = platform::TextWidth("W");
    ASSERT_NE(a, w);  // otherwise the test could not tell the widths apart
    EXPECT_TRUE(Drawn({{100, "AW"}}).Pixels() == Drawn({{100, "A"}, {100 + a, "W"}}).Pixels());
    EXPECT_TRUE(Drawn({{100, "WA"}}).Pixels() == Drawn({{100, "W"}, {100 + w, "A"}}).Pixels());
    EXPECT_TRUE(Drawn({{100, "AW"}}).Pixels() != Drawn({{100, "A"}, {100 + w, "W"}}).Pixels());
    // Characters outside the font take no room and draw nothing.
    EXPECT_TRUE(Drawn({{100, "A@~W"}}).Pixels() == Drawn({{100, "AW"}}).Pixels());
    EXPECT_TRUE(Drawn({{100, ""}, {5, "\x01\xff"}}).Pixels() == platform::Surface(640, 100).Pixels());
    // Black is transparent: text over text keeps both.
    const auto both = Drawn({{100, "A"}, {100, "W"}});
    EXPECT_TRUE(both.Pixels() != Drawn({{100, "W"}}).Pixels());
}

TEST_F(BitmapFont, TextWidthSumsTheGlyphWidths) {
    EXPECT_EQ(platform::TextWidth(""), 0);
    EXPECT_EQ(platform::TextWidth("@~"), 0);
    EXPECT_EQ(platform::TextWidth("AW"), FontMetrics['A'].Width + FontMetrics['W'].Width);
    EXPECT_EQ(platform::TextWidth("A W"), platform::TextWidth("AW") + FontMetrics[' '].Width);
    EXPECT_GT(FontMetrics[' '].Width, 0);
    // A long text: no overflow of a narrow sum.
    EXPECT_EQ(platform::TextWidth(std::string(4000, 'W')), 4000 * FontMetrics['W'].Width);
}

class MessageBox : public test::Headless {
protected:
    void SetUp() override {
        Headless::SetUp();
        LoadContent();
    }
    // Leftmost column of the screen that is not black in the text band.
    static int FirstLitColumn() {
        for (int x = 0; x < 640; ++x)
            for (int y = 230; y < 230 + platform::GlyphHeight; ++y)
                if (platform::PrimarySurface.Pixel(x, y) != 0) return x;
        return -1;
    }
    static bool ScreenBlack() {
        for (uint16_t p : platform::PrimarySurface.Pixels())
            if (p != 0) return false;
        return true;
    }
};

TEST_F(MessageBox, OddWidthsAreCentredOnTheEvenSide) {
    EXPECT_EQ(platform::CentredHalfEven(101), 270);
    EXPECT_EQ(platform::CentredHalfEven(103), 268);
    EXPECT_EQ(platform::CentredHalfEven(1), 320);
    EXPECT_EQ(platform::CentredHalfEven(3), 318);
    EXPECT_EQ(platform::CentredHalfEven(100), 270);
    EXPECT_EQ(platform::CentredHalfEven(0), 320);

    // Glyphs 101 and 103 wide, cut from the sheet's first letters: the
    // message draws them where the rounding says.
    for (const auto& [width, x] : {std::pair{101, 270}, std::pair{103, 268}}) {
        FontMetrics['|'] = {0, 0, int16_t(width)};
        platform::Surface expected(640, 480);
        platform::DrawText(x, 230, "|", expected);
        ASSERT_TRUE(expected.Pixels() != platform::Surface(640, 480).Pixels());
        bool seen = false;
        backend.onIdle = [&] {
            if (!seen) {
                EXPECT_TRUE(platform::PrimarySurface.Pixels() == expected.Pixels()) << "width " << width;
            }
            seen = true;
        };
        platform::ShowMessage("|", 5, 5);
        EXPECT_TRUE(seen);
    }
}

TEST_F(MessageBox, ShowsTheTextThenBlackAndCannotBeSkipped) {
    const std::string text = "More to come...very soon.";
    platform::Surface expected(640, 480);
    platform::DrawText(platform::CentredHalfEven(platform::TextWidth(text)), 230, text, expected);
    backend.SetTime(1000);
    backend.TapAt(1100, platform::VK_ESCAPE);
    int32_t lastLit = -1, firstBlackAfter = -1;
    int wrongFrames = 0;
    backend.onIdle = [&] {
        const bool lit = FirstLitColumn() >= 0;
        if (lit) {
            lastLit = backend.TickCount();
            if (lastLit % 10 == 0) wrongFrames += platform::PrimarySurface.Pixels() != expected.Pixels();
        } else if (lastLit >= 0 && firstBlackAfter < 0) {
            firstBlackAfter = backend.TickCount();
        }
    };
    platform::ShowMessage(text, 300, 50);
    const int32_t end = backend.TickCount();
    EXPECT_EQ(wrongFrames, 0);
    EXPECT_GE(lastLit, 1299);
    EXPECT_LE(lastLit, 1301);
    EXPECT_GE(firstBlackAfter, 1300);
    EXPECT_LE(firstBlackAfter, 1302);
    EXPECT_GE(end, 1350);
    EXPECT_LE(end, 1355);
    EXPECT_TRUE(ScreenBlack());
    // Busy: no event processing, so the Escape was never seen.
    EXPECT_EQ(backend.Yields(), 0);
    EXPECT_FALSE(platform::KeyHeld(platform::VK_ESCAPE));
}

TEST_F(MessageBox, AnEmptyMessageIsJustBlack) {
    platform::FillRect(platform::PrimarySurface, platform::WholeSurface, 0xFFFFFF);
    bool allBlack = true;
    backend.onIdle = [&] { allBlack = allBlack && ScreenBlack(); };
    platform::ShowMessage("", 50, 20);
    EXPECT_TRUE(allBlack);
    EXPECT_GE(backend.TickCount(), 70);
}

TEST_F(MessageBox, WaitBusyWaitsAndRestartsTheFrameStamp) {
    backend.SetTime(500);
    FrameStart = 0;
    platform::Wait(0);
    EXPECT_EQ(backend.TickCount(), 500);
    EXPECT_EQ(FrameStart, 500);
    platform::Wait(80);
    EXPECT_EQ(backend.TickCount(), 580);
    EXPECT_EQ(FrameStart, 500);
    EXPECT_EQ(backend.Yields(), 0);
}

}  // namespace
