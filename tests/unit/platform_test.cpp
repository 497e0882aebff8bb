// The platform layer: the scrambling of data files, 5-6-5 surfaces and the
// tiles a present reports, the letters-and-levels file, the bitmap font,
// the wake time, the full-screen message, the player's keys file and the
// window's kept place.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "data/files.h"
#include "game/state.h"
#include "harness.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/key_bindings.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "platform/window_place.h"

namespace {

using namespace platform;

// ---------------------------------------------------------------- files

class Codec : public test::Headless {};

TEST_F(Codec, ScramblingTwiceGivesTheFileBackAndAMissingOrEmptySourceIsFatal) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += char(i * 7);
    const std::string plain = tempDir + "/a.txt", scrambled = tempDir + "/a.znd", back = tempDir + "/b.txt";
    data::WriteFileAtomically(plain, bytes);
    data::ScrambleFile(plain, scrambled, "Duke Ormand", SIZE_MAX);
    const std::string s = data::ReadWholeFile(scrambled, SIZE_MAX);
    ASSERT_EQ(s.size(), bytes.size());
    // The key repeats every 11 bytes.
    EXPECT_EQ(std::string({char(s[0] ^ bytes[0]), char(s[10] ^ bytes[10]), char(s[11] ^ bytes[11])}), "DdD");
    data::ScrambleFile(scrambled, back, "Duke Ormand", SIZE_MAX);
    EXPECT_EQ(data::ReadWholeFile(back, SIZE_MAX), bytes);
    EXPECT_THROW(data::ScrambleFile(tempDir + "/nothere.znd", tempDir + "/x", "k", SIZE_MAX), data::FatalError);
    data::WriteFileAtomically(tempDir + "/empty.znd", "");
    EXPECT_THROW(data::ScrambleFile(tempDir + "/empty.znd", tempDir + "/x", "k", SIZE_MAX), data::FatalError);
}

// ---------------------------------------------------------------- surfaces

// A surface as text: pixel value p is the letter 'a' + p - 1, black is '.'.
std::string Picture(const Surface& s) {
    std::string text;
    for (int y = 0; y < s.Height(); ++y) {
        if (y) text += '/';
        for (int x = 0; x < s.Width(); ++x) text += s.Pixel(x, y) ? char('a' + s.Pixel(x, y) - 1) : '.';
    }
    return text;
}

TEST(Surfaces, CopyRectWholeZeroKeyedClippedAndStretched) {
    Surface src(4, 3);  // abcd/efgh/ijkl
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) src.SetPixel(x, y, uint16_t(1 + x + 4 * y));
    src.SetColourKey(Rgb(0, 0, 6 << 3));  // pixel 6, the 'f'
    // Each copy goes onto a surface of 'z'.
    struct Case {
        Rect dst, source;
        Key key;
        const char* after;
    };
    const Case cases[] = {
        {WholeSurface, WholeSurface, Key::None, "abcd/efgh/ijkl"},
        {WholeSurface, WholeSurface, Key::Source, "abcd/ezgh/ijkl"},  // the key pixel is skipped
        {{1, 1, 3, 3}, {0, 0, 2, 2}, Key::Source, "zzzz/zabz/zezz"},
        {{1, 0, 1, 3}, {0, 0, 0, 3}, Key::None, "zzzz/zzzz/zzzz"},   // zero width: nothing
        {{0, 0, 2, 2}, {1, 0, 1, 2}, Key::None, "zzzz/zzzz/zzzz"},   // zero-width source: nothing
        {{0, 0, 4, 3}, {2, 0, 5, 3}, Key::None, "zzzz/zzzz/zzzz"},   // source outside its surface
        {{-1, 0, 3, 3}, WholeSurface, Key::None, "bcdz/fghz/jklz"},  // clipped on the left
        {{2, 1, 6, 4}, WholeSurface, Key::None, "zzzz/zzab/zzef"},   // clipped right and below
        {{0, -2, 4, 1}, WholeSurface, Key::None, "ijkl/zzzz/zzzz"},  // clipped above
        {{0, 0, 4, 1}, {0, 0, 2, 1}, Key::None, "aabb/zzzz/zzzz"},   // stretched
        {{-2, 2, 2, 3}, {0, 0, 2, 1}, Key::None, "zzzz/zzzz/bbzz"},  // stretched and clipped
    };
    for (const Case& c : cases) {
        Surface dst(4, 3);
        FillRect(dst, WholeSurface, Rgb(0, 0, 26 << 3));  // 'z'
        CopyRect(dst, c.dst, src, c.source, c.key);
        EXPECT_EQ(Picture(dst), c.after) << "to {" << c.dst.Left << ", " << c.dst.Top << ", " << c.dst.Right << ", "
                                      << c.dst.Bottom << "}";
    }
    Surface dst(4, 3);
    FillRect(dst, {-3, 1, 2, 9}, Rgb(0, 0, 8));
    EXPECT_EQ(Picture(dst), "..../aa../aa..");
    EXPECT_EQ(ToPixel565(Rgb(7, 3, 7)), 0);  // the low bits are dropped
}

TEST(Surfaces, BoxesTakeTheirCornersInEitherOrderAndStarsAreRoundedBoxes) {
    struct Case { void (*draw)(Surface&); const char* after; };
    const Case cases[] = {
        {[](Surface& s) { DrawBox(s, 5, 3, 1, 0); }, ".aaaa./.a..a./.aaaa./......"},
        {[](Surface& s) { DrawBox(s, 1, 1, 5, 2); }, "....../.aaaa./....../......"},  // one row high: a line
        {[](Surface& s) { DrawRoundBox(s, 1, 0, 5, 4, 2, 2, true); }, ".aaaa./.aaaa./.aaaa./.aaaa."},  // a star
        {[](Surface& s) { DrawRoundBox(s, 0, 0, 6, 4, 4, 4, true); }, ".aaaa./aaaaaa/aaaaaa/.aaaa."},  // corners cut
    };
    for (const Case& c : cases) {
        Surface s(6, 4);
        s.SetForeColour(Rgb(0, 0, 8));  // 'a'
        c.draw(s);
        EXPECT_EQ(Picture(s), c.after);
    }
}

TEST(Surfaces, PresentReportsTheChangedTilesAsFewRectangles) {
    struct Case {
        std::vector<Rect> drawn;
        Rect presented;
        std::vector<Rect> shown;
    };
    const Case cases[] = {
        {{}, WholeSurface, {}},
        {{{3, 5, 4, 6}}, WholeSurface, {{0, 0, 8, 8}}},
        {{{639, 479, 640, 480}}, WholeSurface, {{632, 472, 640, 480}}},
        {{{10, 10, 14, 14}, {300, 12, 304, 16}}, WholeSurface, {{8, 8, 16, 16}, {296, 8, 304, 16}}},
        {{{0, 0, 16, 16}, {0, 16, 8, 24}}, WholeSurface, {{0, 0, 16, 16}, {0, 16, 8, 24}}},
        {{{0, 0, 16, 8}, {8, 8, 16, 16}, {0, 16, 16, 24}}, WholeSurface, {{0, 0, 16, 8}, {8, 8, 16, 16}, {0, 16, 16, 24}}},
        {{WholeSurface}, WholeSurface, {{0, 0, 640, 480}}},
        {{{100, 100, 110, 110}}, {0, 0, 50, 50}, {}},  // not presented
        {{{20, 20, 30, 30}}, {25, 0, 640, 480}, {{24, 16, 32, 32}}},
    };
    for (const Case& c : cases) {
        PrimarySurface = Surface(ScreenWidth, ScreenHeight);
        BackBuffer = Surface(ScreenWidth, ScreenHeight);
        ScreenChanges.Take();
        for (const Rect& r : c.drawn) FillRect(BackBuffer, r, Rgb(255, 255, 255));
        PresentRect(c.presented);
        EXPECT_EQ(ScreenChanges.Take(), c.shown) << c.drawn.size() << " rectangles drawn";
        EXPECT_TRUE(ScreenChanges.Empty());
    }
    PrimarySurface = BackBuffer = Surface();
}

// ---------------------------------------------------------------- levels file

// 30 level lines, then a glyph table where character i of the font has
// left 10 i, top i, width i + 1, spread over lines and commas with blanks.
std::string LevelsFile(std::vector<std::string> lines) {
    std::string text;
    for (int k = 0; k < LevelCount; ++k)
        text += (size_t(k) < lines.size() ? lines[size_t(k)] : std::string("00109509509530599010Filler")) + "\r\n";
    const std::string chars = FontCharacters;
    for (size_t i = 0; i < chars.size(); ++i)
        text += std::to_string(10 * i) + " , " + std::to_string(i) + (i % 2 ? "\r\n" : ",") + std::to_string(i + 1) +
                "\r\n";
    return text;
}

std::string FatalMessage(const std::string& text) {
    try {
        ParseLevelsAndFont(text);
    } catch (const data::FatalError& e) {
        return e.what();
    }
    return "";
}

std::string Fields(const LevelInfo& r) {
    std::string s;
    for (int v : {r.Background, r.Music, r.PieceKind, r.ColourLimit, r.StoneLimit, r.Speed, r.MinBlocks, r.LineQuota,
                  r.FillRange, r.DisplayNumber, r.Directions})
        s += std::to_string(v) + " ";
    return s + "[" + r.Title + "]";
}

class LevelsFile_ : public test::Headless {};

TEST_F(LevelsFile_, FixedColumnsLeadingZerosTitlesAndTheGlyphTable) {
    ParseLevelsAndFont(LevelsFile({
        "91207509001031299072Seven Seas",
        "00400000125520501231",                // exactly 20 characters: no title
        "33300710025590202230 spaced  out ",  // the title keeps its blanks
    }));
    EXPECT_EQ(Fields(LevelTable[0]), "9 1 2 75 90 10 3 12 99 7 2 [Seven Seas]");
    EXPECT_EQ(Fields(LevelTable[1]), "0 0 4 0 1 255 2 5 1 23 1 []");
    EXPECT_EQ(LevelTable[2].Title, " spaced  out ");
    EXPECT_EQ(LevelTable[29].Title, "Filler");

    const std::string chars = FontCharacters;
    for (size_t i = 0; i < chars.size(); ++i) {
        const auto& m = FontMetrics[uint8_t(chars[i])];
        EXPECT_EQ(std::vector<int>({m.SheetLeft, m.SheetTop, m.Width}),
                  std::vector<int>({10 * int(i), int(i), int(i) + 1}))
            << chars[i];
    }
    for (unsigned char c : std::string("@~_[]{}|^`\t\xe9")) EXPECT_EQ(FontMetrics[c].Width, 0) << int(c);
}

TEST_F(LevelsFile_, BrokenLinesAreRejectedNamingTheLine) {
    EXPECT_NE(FatalMessage(LevelsFile({""})).find("line 1:"), std::string::npos);  // an empty line is short too
    std::vector<std::string> lines(4, "00109509509530599010Fine");
    struct Case {
        const char* line;
        const char* said;
    };
    for (const Case c : {Case{"0010950950953059901", "20 characters"},  // 19 characters
                         Case{"0010a5095095305990100", "column 4"}, Case{"0010950950953  99010", "line 5:"},
                         Case{"00509509509530599010", "piece kind"}, Case{"00109509509510599010", "minimum run"}}) {
        lines.resize(4);
        lines.push_back(c.line);
        const std::string said = FatalMessage(LevelsFile(lines));
        EXPECT_NE(said.find(c.said), std::string::npos) << c.line << ": " << said;
        EXPECT_NE(said.find("line 5:"), std::string::npos) << said;
    }
    EXPECT_NE(FatalMessage("00109509509530599010\r\n").find("1 of 30"), std::string::npos);
    std::string cut = LevelsFile({});
    cut.resize(cut.size() - 40);
    EXPECT_NE(FatalMessage(cut).find("glyph table"), std::string::npos);
}

// ---------------------------------------------------------------- the font

class BitmapFont : public test::Loaded {
protected:
    static Surface Drawn(std::initializer_list<std::pair<int, std::string>> texts) {
        Surface s(640, 100);
        for (const auto& [x, text] : texts) DrawText(x, 40, text, s);
        return s;
    }
};

TEST_F(BitmapFont, ThePenMovesOnByEachGlyphsWidthAndTextWidthIsTheirSum) {
    const int a = TextWidth("A"), w = TextWidth("W");
    ASSERT_NE(a, w);  // otherwise the test could not tell the widths apart
    EXPECT_TRUE(Drawn({{100, "AW"}}).Pixels() == Drawn({{100, "A"}, {100 + a, "W"}}).Pixels());
    EXPECT_TRUE(Drawn({{100, "WA"}}).Pixels() == Drawn({{100, "W"}, {100 + w, "A"}}).Pixels());
    // Characters outside the font take no room and draw nothing.
    EXPECT_TRUE(Drawn({{100, "A@~W"}}).Pixels() == Drawn({{100, "AW"}}).Pixels());
    EXPECT_TRUE(Drawn({{5, "\x01\xff"}}).Pixels() == Surface(640, 100).Pixels());
    // Black is transparent: text over text keeps both.
    EXPECT_TRUE(Drawn({{100, "A"}, {100, "W"}}).Pixels() != Drawn({{100, "W"}}).Pixels());
    EXPECT_EQ(TextWidth("A@~W"), a + w);
}

// ---------------------------------------------------------------- timing

TEST(Timing, TheWakeTimeIsTheEarliestNotedSinceItWasLastTaken) {
    TakeWakeTime();  // whatever a test before left
    EXPECT_EQ(TakeWakeTime(), std::nullopt);
    WakeBy(300), WakeBy(100), WakeBy(200);
    EXPECT_EQ(TakeWakeTime(), 100);
    WakeBy(400);
    EXPECT_EQ(TakeWakeTime(), 400);
}

// ---------------------------------------------------------------- the message

TEST_F(BitmapFont, MessageCentresOddWidthsOnTheEvenSide) {
    for (const auto& [width, x] : {std::pair{100, 270}, std::pair{101, 270}, std::pair{103, 268},
                                   std::pair{1, 320}, std::pair{3, 318}, std::pair{5, 318}, std::pair{0, 320}})
        EXPECT_EQ(CentredHalfEven(width), x) << width;
}

TEST_F(BitmapFont, MessageShowsTheTextThenBlackAndCannotBeSkipped) {
    const std::string text = "More to come...very soon.";
    Surface expected(640, 480);
    DrawText(CentredHalfEven(TextWidth(text)), 230, text, expected);
    backend.SetTime(1000);
    backend.TapAt(1100, VK_ESCAPE);
    const Surface blackScreen(640, 480);
    int32_t lastLit = -1, firstBlack = -1;
    int wrongFrames = 0;
    backend.onIdle = [&] {
        const bool black = PrimarySurface.Pixels() == blackScreen.Pixels();
        if (!black) {
            lastLit = backend.TickCount();
            wrongFrames += PrimarySurface.Pixels() != expected.Pixels();
        } else if (lastLit >= 0 && firstBlack < 0) {
            firstBlack = backend.TickCount();
        }
    };
    ShowMessage(text, 300, 50);
    EXPECT_EQ(wrongFrames, 0);
    EXPECT_NEAR(lastLit, 1300, 1);
    EXPECT_NEAR(firstBlack, 1301, 1);
    EXPECT_TRUE(test::Between(backend.TickCount(), 1350, 1355));
    EXPECT_TRUE(PrimarySurface.Pixels() == blackScreen.Pixels());
    // Busy: no event processing, so the Escape was never seen.
    EXPECT_EQ(backend.Yields(), 0);
    EXPECT_FALSE(KeyHeld(VK_ESCAPE));
}

// ---------------------------------------------------------------- the player's keys

TEST(KeysFile, GoodLinesCountAndEachBadLineIsNamedAndSkipped) {
    struct Case {
        std::string text;
        std::map<int32_t, int> keys;
        std::vector<std::string> complaints;
    };
    const std::string notAGameKey =
        " is not one of the game's keys (Left, Right, Up, Down, Space, Enter, Esc, P, Y, N, 2 to 6, F11)";
    const Case cases[] = {
        {"", {}, {}},
        {"[keys]\nW = Up\na=left\n; a comment\n# another\n\n   S = Down\nKeypad 8 = Up\nReturn = Space ; drops\n",
         {{SDLK_w, VK_UP}, {SDLK_a, VK_LEFT}, {SDLK_s, VK_DOWN}, {SDLK_KP_8, VK_UP}, {SDLK_RETURN, VK_SPACE}}, {}},
        {"\xEF\xBB\xBF[Keys]\r\nJ = 2\r\nBogus = 3\r\n", {{SDLK_j, '2'}},  // saved by a Windows editor
         {"line 3: \"Bogus\" is not a key name SDL knows"}},
        {"[keys]\rJ = 2\rBogus = 3\r\rK = 4", {{SDLK_j, '2'}, {SDLK_k, '4'}},  // CR alone ends lines too
         {"line 3: \"Bogus\" is not a key name SDL knows"}},
        {"[keys]\nBogus = Up\nW = Jump\nW Up\nW = Up\nw = Down\n[keys\nX = Left\n[keys] more\nY = Up Down\n",
         {{SDLK_w, VK_UP}, {SDLK_x, VK_LEFT}},
         {"line 2: \"Bogus\" is not a key name SDL knows", "line 3: \"Jump\"" + notAGameKey, "line 4: no \"=\" in it",
          "line 6: \"w\" is given twice (first on line 5)", "line 7: a section name without \"]\"",
          "line 9: more after the section name's \"]\"", "line 10: \"Up Down\"" + notAGameKey}},
        {"[mouse]\nA = Left\n", {}, {"line 2: \"A\" is not in a [keys] or [controller] section"}},
        {"[controller]\na = P\nlefttrigger = Y\nleftx = Up\nstart = Bogus\nA = Esc\n", {},
         {"line 4: \"leftx\" is not a controller button or trigger SDL knows", "line 5: \"Bogus\"" + notAGameKey,
          "line 6: \"A\" is given twice (first on line 2)"}},
        // The keys the file's own signs stand on, in quotes; any name may be quoted.
        {"[keys]\n\"=\" = Up\n\";\"=Down\n  \"#\" = Left # hash\n\"\"\" = Right\n\"Keypad =\" = Space\n"
         "[ = P\n\"W\" = 2\n",
         {{SDLK_EQUALS, VK_UP}, {SDLK_SEMICOLON, VK_DOWN}, {SDLK_HASH, VK_LEFT}, {SDLK_QUOTEDBL, VK_RIGHT},
          {SDLK_KP_EQUALS, VK_SPACE}, {SDLK_LEFTBRACKET, 'P'}, {SDLK_w, '2'}}, {}},
        // A comment that reads as a binding of its own sign is a comment, said so.
        {"[keys]\n; = Up\n#=down ; the hash\n;W = Up\n# ===== keys =====\n; = more\n", {},
         {"line 2: a comment, since it starts with \";\"; to bind that key write \";\" = Up",
          "line 3: a comment, since it starts with \"#\"; to bind that key write \"#\" = down"}},
        {"[keys]\nW\x1b[2J = Up\nX = Left\n\"\" = Up\n\"" + std::string(50, 'Q') + "\" = Up\n", {{SDLK_x, VK_LEFT}},
         {"line 2: control characters in it", "line 4: \"\" is not a key name SDL knows",
          "line 5: \"" + std::string(40, 'Q') + "...\" is not a key name SDL knows"}},
    };
    for (const Case& c : cases) {
        const ParsedBindings parsed = ParseKeyBindings(c.text);
        EXPECT_EQ(parsed.bindings.extraKeys, c.keys) << c.text;
        EXPECT_EQ(parsed.complaints, c.complaints) << c.text;
    }
    // [controller] replaces the usual layout button by button.
    KeyBindings pad = UsualBindings();
    pad.buttons[SDL_CONTROLLER_BUTTON_A] = 'P';
    pad.triggers[SDL_CONTROLLER_AXIS_TRIGGERLEFT] = 'Y';
    const KeyBindings read = ParseKeyBindings(cases[6].text).bindings;
    EXPECT_EQ(std::tie(read.buttons, read.triggers), std::tie(pad.buttons, pad.triggers));
}

TEST(KeysFile, AFileSaysEachSkippedLineOnStderrOrOneLineWhenItIsNotText) {
    char folder[] = "/tmp/zintari-keys-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string path = std::string(folder) + "/keys.conf";
    const std::string skipped =
        "zintari: " + path + ", line 2: \"Bogus\" is not a key name SDL knows; the line is skipped\n";
    const std::pair<std::string, std::string> cases[] = {
        {"[keys]\nBogus = Up\nW = Up\n", skipped},
        {std::string("[keys]\nW = Up\n") + '\0' + "\x81\n\n\x07\n",
         "zintari: " + path + ": not a text file; the usual keys serve\n"},
    };
    for (const auto& [text, said] : cases) {
        data::WriteFileAtomically(path, text, data::Sync::No);
        testing::internal::CaptureStderr();
        const KeyBindings read = LoadKeyBindings(path);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), said);
        EXPECT_EQ(read.extraKeys.size(), said == skipped ? 1u : 0u);
    }
    std::filesystem::remove_all(folder);
}

// What the window hands GameKeys, in order: keys by scancode and key code
// (the layout's meaning), buttons and triggers by controller.
struct KeyEvent {
    enum { Press, Release, Button, ButtonUp, Trigger, Unplug, FocusLost } what;
    int a = 0, b = 0, c = 0;
};
KeyEvent Press(SDL_Scancode s, SDL_Keycode k) { return {KeyEvent::Press, s, k}; }
KeyEvent Release(SDL_Scancode s) { return {KeyEvent::Release, s}; }
KeyEvent Button(int pad, SDL_GameControllerButton b) { return {KeyEvent::Button, pad, b}; }
KeyEvent ButtonUp(int pad, SDL_GameControllerButton b) { return {KeyEvent::ButtonUp, pad, b}; }
KeyEvent Trigger(int pad, SDL_GameControllerAxis axis, int value) { return {KeyEvent::Trigger, pad, axis, value}; }
KeyEvent Unplug(int pad) { return {KeyEvent::Unplug, pad}; }

TEST(KeysFile, AGameKeyIsHeldWhileAnyPhysicalKeyButtonOrTriggerForItIs) {
    struct Case {
        const char* what;
        std::vector<KeyEvent> events;
        std::vector<int> wentDown, held;  // all that the events pressed; what is held after them
    };
    const SDL_Scancode W = SDL_SCANCODE_W, Up = SDL_SCANCODE_UP, Left = SDL_SCANCODE_LEFT;
    const auto L = SDL_CONTROLLER_AXIS_TRIGGERLEFT;
    const Case cases[] = {
        // W pressed on a us layout means W; switched to fr, the same key lets go saying Z.
        {"a layout switch while held", {Press(W, SDLK_w), Release(W)}, {VK_UP}, {}},
        {"the same key pressed on fr means Z", {Press(W, SDLK_z)}, {VK_DOWN}, {VK_DOWN}},
        {"one game key, two keys", {Press(W, SDLK_w), Press(Up, SDLK_UP), Release(W)}, {VK_UP}, {VK_UP}},
        {"and both let go", {Press(W, SDLK_w), Press(Up, SDLK_UP), Release(W), Release(Up)}, {VK_UP}, {}},
        {"a key's repeat counts once", {Press(W, SDLK_w), Press(W, SDLK_w), Release(W)}, {VK_UP}, {}},
        {"one key, two game keys", {Press(SDL_SCANCODE_RETURN, SDLK_RETURN)}, {VK_RETURN, VK_SPACE},
         {VK_RETURN, VK_SPACE}},
        {"focus lost", {Press(W, SDLK_w), Button(0, SDL_CONTROLLER_BUTTON_A), {KeyEvent::FocusLost}}, {VK_UP, 'P'}, {}},
        {"one of two pads unplugged while keys are held",
         {Press(Left, SDLK_LEFT), Button(0, SDL_CONTROLLER_BUTTON_DPAD_UP), Button(1, SDL_CONTROLLER_BUTTON_B),
          Button(1, SDL_CONTROLLER_BUTTON_DPAD_UP), Unplug(1)},
         {VK_LEFT, VK_UP, VK_SPACE}, {VK_LEFT, VK_UP}},
        {"a button held on both pads, let go on one",
         {Button(0, SDL_CONTROLLER_BUTTON_A), Button(1, SDL_CONTROLLER_BUTTON_A), ButtonUp(0, SDL_CONTROLLER_BUTTON_A)},
         {'P'}, {'P'}},
        {"an unplugged pad's late release", {Button(0, SDL_CONTROLLER_BUTTON_A), Unplug(0),
          ButtonUp(0, SDL_CONTROLLER_BUTTON_A), Button(1, SDL_CONTROLLER_BUTTON_A)}, {'P', 'P'}, {'P'}},
        {"a trigger past a third, pulled further, let go",
         {Trigger(0, L, 20000), Trigger(0, L, 30000), Trigger(0, L, 3000)}, {'5'}, {}},
        {"a trigger on each pad, one unplugged", {Trigger(0, L, 20000), Trigger(1, L, 20000), Trigger(0, L, 0)},
         {'5'}, {'5'}},
        {"and the other", {Trigger(0, L, 20000), Trigger(1, L, 20000), Unplug(1), Trigger(0, L, 0)}, {'5'}, {}},
    };
    const int gameKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE, VK_RETURN, VK_ESCAPE, 'P', 'Y', 'N',
                            '2',     '3',      '4',   '5',     '6',      VK_F11};
    for (const Case& c : cases) {
        ResetKeyboard();
        GameKeys keys(ParseKeyBindings("[keys]\nW = Up\nZ = Down\nReturn = Space\n[controller]\na = P\n").bindings);
        std::vector<int> wentDown, held;
        const auto add = [&](const std::vector<int>& down) {
            wentDown.insert(wentDown.end(), down.begin(), down.end());
        };
        for (const KeyEvent& e : c.events) switch (e.what) {
            case KeyEvent::Press: add(keys.KeyDown(e.a, e.b)); break;
            case KeyEvent::Release: keys.KeyUp(e.a); break;
            case KeyEvent::Button: add(keys.ButtonDown(e.a, e.b)); break;
            case KeyEvent::ButtonUp: keys.ButtonUp(e.a, e.b); break;
            case KeyEvent::Trigger: add(keys.TriggerMoved(e.a, e.b, e.c)); break;
            case KeyEvent::Unplug: keys.PadRemoved(e.a); break;
            case KeyEvent::FocusLost: keys.ReleaseAll(); break;
            }
        for (const int vk : gameKeys)
            if (KeyHeld(vk)) held.push_back(vk);
        std::sort(held.begin(), held.end());
        std::vector<int> expected = c.held;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(wentDown, c.wentDown) << c.what;
        EXPECT_EQ(held, expected) << c.what;
    }
    ResetKeyboard();
}

// ---------------------------------------------------------------- the window's place

TEST(WindowPlaceFile, OneLineOfModeAndPlaceAnythingElseIsDamaged) {
    const WindowPlace window{false, -30, 40, 800, 600};
    EXPECT_EQ(ParseWindowPlace(WindowPlaceText(window)), window);
    EXPECT_EQ(ParseWindowPlace("fullscreen 0 0 0 0\n"), WindowPlace{});  // never in a window yet
    for (const char* damaged : {"", "window 1 2 800", "window 1 2 800 600 7", "windowed 1 2 800 600",
                                "window 1 2 0 600", "window 1 2 800 99999", "window x 2 800 600"})
        EXPECT_EQ(ParseWindowPlace(damaged), std::nullopt) << damaged;
}

TEST(WindowPlaceFile, AKeptWindowOpensWhollyOnTheDisplayItMostlyOverlaps) {
    const std::vector<Rect> one{{0, 0, 1920, 1080}}, two{{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
        panel{{0, 32, 1366, 768}}, tiny{{0, 0, 300, 200}}, none;
    struct Case {
        WindowPlace kept;
        std::vector<Rect> usable;
        WindowPlace opens;
    };
    const Case cases[] = {
        {{false, 0, 0, 20000, 300}, one, {false, 0, 0, 1920, 300}},  // wider than SDL makes a window
        {{true, 0, 0, 20000, 300}, one, {true, 0, 0, 1920, 300}},
        {{false, 100, 100, 1, 1}, one, {false, 100, 100, 320, 240}},
        {{false, -50, -40, 800, 600}, one, {false, 0, 0, 800, 600}},
        {{false, 1800, 1000, 800, 600}, one, {false, 1120, 480, 800, 600}},  // hanging off the corner
        {{false, 5000, 5000, 800, 600}, one, {false, 560, 240, 800, 600}},   // off every display: centred
        {{false, -5000, 0, 800, 600}, two, {false, 560, 240, 800, 600}},
        {{false, 0, 0, 2500, 1500}, one, {false, 0, 0, 1920, 1080}},
        {{false, 0, 0, 1920, 1080}, one, {false, 0, 0, 1920, 1080}},  // exactly fitting
        {{false, 1800, 100, 800, 600}, two, {false, 1920, 100, 800, 600}},
        {{false, 2000, 0, 1500, 1100}, two, {false, 1920, 0, 1280, 1024}},
        {{false, 0, 0, 3200, 1080}, two, {false, 0, 0, 1920, 1080}},  // stretched over both
        {{false, 2500, 1000, 800, 600}, two, {false, 2400, 424, 800, 600}},
        {{false, 0, 0, 1366, 768}, panel, {false, 0, 32, 1366, 736}},
        {{false, 0, 0, 1, 1}, tiny, {false, 0, 0, 300, 200}},
        {{false, 0, 0, 20000, 300}, none, {false, 0, 330, 1280, 300}},
        // None kept: twice the picture, as far as it fits, centred.
        {{}, one, {true, 320, 60, 1280, 960}},
        {{}, {{1920, 0, 3840, 1080}, {0, 0, 1920, 1080}}, {true, 2240, 60, 1280, 960}},  // on the first display
        {{false}, panel, {false, 43, 32, 1280, 736}},
    };
    for (const Case& c : cases) {
        const WindowPlace opens = WindowedPlace(c.kept, c.usable);
        EXPECT_EQ(opens, c.opens) << WindowPlaceText(c.kept) << " opens as " << WindowPlaceText(opens);
        EXPECT_EQ(WindowedPlace(opens, c.usable), opens) << "fitted again: " << WindowPlaceText(opens);
    }
}

}  // namespace
