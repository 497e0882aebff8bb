#include "platform/window_place.h"

#include <SDL2/SDL_video.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "data/files.h"

namespace platform {

namespace {
constexpr int Centred = int(SDL_WINDOWPOS_CENTERED);
}

std::string WindowPlaceText(const WindowPlace& p) {
    return std::string(p.fullScreen ? "fullscreen" : "window") + " " + std::to_string(p.x) + " " +
           std::to_string(p.y) + " " + std::to_string(p.width) + " " + std::to_string(p.height) + "\n";
}

std::optional<WindowPlace> ParseWindowPlace(const std::string& text) {
    std::istringstream in(text);
    std::string mode, rest;
    WindowPlace p;
    if (!(in >> mode >> p.x >> p.y >> p.width >> p.height) || in >> rest) return std::nullopt;
    if (mode != "fullscreen" && mode != "window") return std::nullopt;
    p.fullScreen = mode == "fullscreen";
    constexpr int Far = 1 << 20, Largest = 1 << 15;  // beyond any desktop
    if (p == WindowPlace{p.fullScreen}) return p;  // no window kept yet
    if (p.width < 1 || p.height < 1 || p.width > Largest || p.height > Largest || std::abs(p.x) > Far ||
        std::abs(p.y) > Far)
        return std::nullopt;
    return p;
}

WindowPlace WindowedPlace(const WindowPlace& kept, const std::vector<Rect>& displays) {
    if (kept.width == 0) return {kept.fullScreen, Centred, Centred, 640 * 2, 480 * 2};
    const int middleX = kept.x + kept.width / 2, middleY = kept.y + kept.height / 2;
    for (const Rect& d : displays)
        if (middleX >= d.Left && middleX < d.Right && middleY >= d.Top && middleY < d.Bottom) return kept;
    return {kept.fullScreen, Centred, Centred, kept.width, kept.height};
}

WindowPlace LoadWindowPlace(const std::string& path) {
    if (path.empty()) return {};
    try {
        if (const auto place = ParseWindowPlace(data::ReadWholeFile(path, data::WindowFileLimit))) return *place;
        std::fprintf(stderr, "zintari: %s: not a window's mode, size and place; full screen it is\n", path.c_str());
    } catch (const data::Missing&) {
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s; full screen it is\n", e.what());
    }
    return {};
}

void SaveWindowPlace(const std::string& path, const WindowPlace& place) {
    if (path.empty()) return;
    try {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        data::WriteFileAtomically(path, WindowPlaceText(place));
    } catch (const std::exception& e) {  // data::FatalError, std::filesystem::filesystem_error
        std::fprintf(stderr, "zintari: the window's place is not kept: %s\n", e.what());
    }
}

}  // namespace platform
