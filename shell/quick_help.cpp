// Quick help: twenty lines of help, a pianist and a piano piece.
#include <cstdio>

#include "audio/audio.h"
#include "data/fields.h"
#include "data/files.h"
#include "game/random.h"
#include "game/state.h"
#include "platform/display.h"
#include "platform/font.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "shell/screens.h"
#include "shell/window.h"

namespace shell {

using namespace platform;

std::array<std::string, HelpLines> ParseHelp(const std::string& text) {
    std::array<std::string, HelpLines> lines;
    data::FieldReader in(text, data::FieldReader::BlankLines::Empty);
    for (auto& line : lines) {
        const auto item = in.Next();
        if (!item) break;  // a short file leaves the rest blank
        line = *item;
    }
    return lines;
}

namespace {

std::array<std::string, HelpLines> ReadHelp() {
    try {
        const std::string path = data::ProgramFile("qhelp.znd");
        return ParseHelp(data::TextOnly(data::PlainCopy(path, "qhelp.txt", data::ShippedFileLimit).Contents(), path));
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s; the help stays blank\n", e.what());
        return {};
    }
}

}  // namespace

State QuickHelp() {
    const auto lines = ReadHelp();
    FillRect(BackBuffer, WholeSurface, 0);
    Present();
    audio::LoadPiece(audio::HelpMusicPlayer, "piano.mid", 999, 11000, 152500);
    const std::string title = "ZINTARI QUICK HELP";
    DrawTextCentred(20, title, BackBuffer);
    // The lines never change and nothing else draws over them.
    BackBuffer.SetForeColour(Rgb(0, 255, 0));
    for (int i = 0; i < HelpLines; ++i) DrawSurfaceText(BackBuffer, 15, 160 + 15 * i, lines[size_t(i)]);
    if (MusicOn == 1) audio::PlayPiece(audio::HelpMusicPlayer);
    Present();

    int frame = 0, gaze = 0;
    int32_t gazeInterval = 2500 + game::RandomBelow(1500);
    FrameStart = TickCount();
    int32_t gazeStamp = FrameStart;
    for (;;) {
        if (KeyHeld(VK_ESCAPE)) {
            audio::Rewind(audio::IntroWav);
            if (MusicOn == 1) audio::StopAll(audio::HelpMusicPlayer);
            return State::MainMenu;
        }
        if (StepDue(FrameStart, 70)) {
            frame = 1 - frame;
            CopyRect(BackBuffer, {256, 50, 384, 160}, PianistSurface, {128 * frame, 0, 128 * frame + 128, 110});
            if (StepDue(gazeStamp, gazeInterval)) {
                gazeInterval = 2000 + game::RandomBelow(1500);
                gaze = 1 - gaze;
            }
            // The eye looks up now and then and bobs with frame 1.
            BackBuffer.SetForeColour(0);
            DrawBox(BackBuffer, 295, 76 - 2 * gaze + frame, 297, 78 - 2 * gaze + frame);
            Present();
        }
        YieldToEvents();
    }
}

}  // namespace shell
