#include "platform/window_place.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "data/files.h"

namespace platform {

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

WindowPlace WindowedPlace(const WindowPlace& kept, const std::vector<Rect>& usable) {
    constexpr int MinWidth = 320, MinHeight = 240;
    const bool none = kept.width == 0;
    WindowPlace p = none ? WindowPlace{kept.fullScreen, 0, 0, 640 * 2, 480 * 2} : kept;
    const Rect* on = nullptr;
    int64_t most = 0;  // the area of the window on that display
    for (const Rect& d : usable) {
        const int64_t across = std::min(p.x + p.width, d.Right) - std::max(p.x, d.Left);
        const int64_t down = std::min(p.y + p.height, d.Bottom) - std::max(p.y, d.Top);
        if (across > 0 && down > 0 && across * down > most) {
            most = across * down;
            on = &d;
        }
    }
    constexpr Rect Assumed{0, 0, 640 * 2, 480 * 2};  // no display known: the window SDL would make
    const bool centred = none || !on;
    const Rect& d = !centred ? *on : usable.empty() ? Assumed : usable.front();
    const int width = d.Right - d.Left, height = d.Bottom - d.Top;
    p.width = std::clamp(p.width, std::min(MinWidth, width), width);
    p.height = std::clamp(p.height, std::min(MinHeight, height), height);
    p.x = centred ? d.Left + (width - p.width) / 2 : std::clamp(p.x, d.Left, d.Right - p.width);
    p.y = centred ? d.Top + (height - p.height) / 2 : std::clamp(p.y, d.Top, d.Bottom - p.height);
    return p;
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
