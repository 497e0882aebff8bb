// Zintari: a falling-block puzzle game.
#include <malloc.h>

#include <cstdio>

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
    // A check needs no window; a replay never touches the player's files,
    // so its player's folder is the scratch folder.
    std::unique_ptr<platform::Backend> window;
    std::string program, user, executable;
    try {
        if (!line.check) {
            window = platform::MakeSdlBackend(line.fullScreen);
            platform::Use(window.get());
        }
        program = platform::GameDataFolder();
        executable = platform::ExecutablePath();
        if (line.replay.empty()) user = platform::UserDataFolder();
        const std::string temp = data::MakeTempFolder();
        data::SetFolders(program, user.empty() ? temp : user, temp);
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s\n", e.what());
        data::RemoveTempFolder();
        return 1;
    }
    if (line.check) return replay::CheckReplay(line.replay, program, executable);
    if (!line.replay.empty()) return replay::WatchReplay(line.replay, program, executable, *window);
    std::unique_ptr<replay::Recorder> recorder;
    if (line.record) recorder = replay::Recorder::Start(*window, user + "/replays", program, executable);
    platform::Use(recorder ? static_cast<platform::Backend*>(recorder.get()) : window.get());
    const int status = shell::RunProgram();
    if (recorder) recorder->Finish(shell::LastRun());
    platform::Use(nullptr);
    return status;
}
