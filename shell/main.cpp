// Zintari: a falling-block puzzle game.
#include <malloc.h>

#include <cstdio>

#include "data/files.h"
#include "platform/sdl_backend.h"
#include "shell/command_line.h"
#include "shell/program.h"

int main(int argc, char** argv) {
    // Help and version are answered before any window or file is touched.
    const shell::CommandLine line = shell::ParseCommandLine(argc, argv);
    switch (line.action) {
    case shell::CommandLine::Help: std::fputs(shell::Usage().c_str(), stdout); return 0;
    case shell::CommandLine::Version: std::fputs(shell::VersionText().c_str(), stdout); return 0;
    case shell::CommandLine::Wrong:
        std::fprintf(stderr, "zintari: unknown option %s\n%s", line.wrong.c_str(), shell::Usage().c_str());
        return 2;
    case shell::CommandLine::Play: break;
    }
    // A freed block of 128 KiB or more (a picture or a sound while it is
    // read) goes back to the system, instead of glibc's threshold rising to
    // the largest one freed and keeping the next ones in the heap.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    std::unique_ptr<platform::Backend> window;
    try {
        window = platform::MakeSdlBackend(!line.windowed);
        platform::Use(window.get());
        const std::string program = platform::ExecutableFolder(), user = platform::UserDataFolder();
        data::SetFolders(program, user, data::MakeTempFolder());
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s\n", e.what());
        data::RemoveTempFolder();
        return 1;
    }
    const int status = shell::RunProgram();
    platform::Use(nullptr);
    return status;
}
