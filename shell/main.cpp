// Zintari: a falling-block puzzle game.
#include <cstdio>

#include "data/files.h"
#include "platform/sdl_backend.h"
#include "shell/program.h"

int main() {
    std::unique_ptr<platform::Backend> window;
    try {
        window = platform::MakeSdlBackend();
        platform::Use(window.get());
        data::SetFolders(platform::ExecutableFolder(), platform::UserDataFolder(), data::MakeTempFolder());
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s\n", e.what());
        return 1;
    }
    const int status = shell::RunProgram();
    platform::Use(nullptr);
    return status;
}
