// Zintari: a falling-block puzzle game.
#include <malloc.h>

#include <cstdio>
#include <optional>

#include "data/files.h"
#include "platform/sdl_backend.h"
#include "replay/recorder.h"
#include "replay/replay.h"
#include "shell/command_line.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    // Help and version are answered before any window or file is touched.
    const shell::CommandLine line = shell::ParseCommandLine(argc, argv);
    switch (line.action) {
    case shell::CommandLine::Help: std::fputs(shell::Usage().c_str(), stdout); return 0;
    case shell::CommandLine::Version: std::fputs(shell::VersionText().c_str(), stdout); return 0;
    case shell::CommandLine::Wrong:
        std::fprintf(stderr, "zintari: %s\n%s", line.wrong.c_str(), shell::Usage().c_str());
        return 2;
    case shell::CommandLine::Play: break;
    }
    // A freed block of 128 KiB or more (a picture or a sound while it is
    // read) goes back to the system, instead of glibc's threshold rising to
    // the largest one freed and keeping the next ones in the heap.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // A replay this game cannot play is refused before any window or folder
    // is made. A check needs no window; a replay never touches the player's
    // files, so its player's folder is the scratch folder.
    std::optional<replay::Recording> recording;
    std::unique_ptr<platform::Backend> window;
    std::string program, user;
    try {
        program = platform::GameDataFolder();
        if (!line.replay.empty() && !(recording = replay::OpenReplay(line.replay, program))) return 1;
        if (!line.check) {
            window = platform::MakeSdlBackend(line.fullScreen);
            platform::Use(window.get());
        }
        if (!recording) user = platform::UserDataFolder();
        const std::string temp = data::MakeTempFolder();
        data::SetFolders(program, user.empty() ? temp : user, temp);
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s\n", e.what());
        data::RemoveTempFolder();
        return 1;
    }
    if (recording) return line.check ? replay::CheckReplay(*recording) : replay::WatchReplay(*recording, *window);
    std::unique_ptr<replay::Recorder> recorder;
    if (line.record) recorder = replay::Recorder::Start(*window, user + "/replays", program);
    platform::Use(recorder ? static_cast<platform::Backend*>(recorder.get()) : window.get());
    const int status = shell::RunProgram();
    if (recorder) recorder->Finish(shell::LastRun());
    platform::Use(nullptr);
    return status;
}
