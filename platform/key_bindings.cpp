#include "platform/key_bindings.h"

#include <SDL2/SDL.h>
#include <ini.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "data/files.h"
#include "platform/keyboard.h"

namespace platform {

namespace {

// The game key of a keyboard key, 0 for keys the game does not use.
int UsualKeyOf(SDL_Keycode k) {
    if (k >= SDLK_2 && k <= SDLK_6) return '0' + (k - SDLK_0);
    if (k >= SDLK_KP_2 && k <= SDLK_KP_6) return '2' + (k - SDLK_KP_2);
    switch (k) {
    case SDLK_p: return 'P';
    case SDLK_y: return 'Y';
    case SDLK_n: return 'N';
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_F11: return VK_F11;
    default: return 0;
    }
}

// The keys a player may give a key, button or trigger to, by their names in keys.conf.
struct GameKeyName {
    const char* name;
    int vk;
};
constexpr GameKeyName GameKeyNames[] = {
    {"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Up", VK_UP},  {"Down", VK_DOWN}, {"Space", VK_SPACE}, {"Enter", VK_RETURN},
    {"Esc", VK_ESCAPE}, {"P", 'P'},         {"Y", 'Y'},     {"N", 'N'},        {"2", '2'},          {"3", '3'},
    {"4", '4'},         {"5", '5'},         {"6", '6'},     {"F11", VK_F11}};

std::optional<int> GameKeyNamed(const char* name) {
    for (const GameKeyName& k : GameKeyNames)
        if (SDL_strcasecmp(name, k.name) == 0) return k.vk;
    return std::nullopt;
}

// One number for each key, button and trigger, as GameKeys tells them apart.
int64_t KeySource(int32_t key) { return key; }
int64_t ButtonSource(int button) { return int64_t(1) << 32 | button; }
int64_t TriggerSource(int axis) { return int64_t(2) << 32 | axis; }

bool Named(const char* section, const char* name) { return SDL_strcasecmp(section, name) == 0; }

std::string Quoted(const std::string& s) { return '"' + s + '"'; }

// Hands inih the text a line at a time, and keeps the number of the line it
// has. Leading blanks are dropped: inih would read an indented line as more
// of the value above.
struct LineReader {
    const std::string& text;
    size_t next = 0;
    int number = 0;
    std::vector<std::string> lines;  // as handed over
};

char* ReadLine(char* out, int size, void* stream) {
    auto& r = *static_cast<LineReader*>(stream);
    if (r.next >= r.text.size()) return nullptr;
    const size_t end = std::min(r.text.find('\n', r.next), r.text.size());
    std::string line = r.text.substr(r.next, end - r.next);
    r.next = end + 1;
    if (r.number == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark
    line.erase(0, line.find_first_not_of(" \t"));
    line.resize(std::min(line.size(), size_t(size - 1)));  // the rest of a long line is dropped
    std::copy(line.begin(), line.end(), out);
    out[line.size()] = '\0';
    ++r.number;
    r.lines.push_back(std::move(line));
    return out;
}

struct Parse {
    LineReader reader;
    ParsedBindings result;
    std::set<int> handled;                 // lines inih found a name and a value on
    std::map<int64_t, int> firstLine;      // key, button or trigger -> the line that gave it
    std::multimap<int, std::string> complaints;  // by line
};

void Complain(Parse& p, const std::string& what) { p.complaints.emplace(p.reader.number, what); }

int TakeLine(void* user, const char* section, const char* name, const char* value) {
    Parse& p = *static_cast<Parse*>(user);
    p.handled.insert(p.reader.number);
    const bool keys = Named(section, "keys"), controller = Named(section, "controller");
    if (!keys && !controller) {
        Complain(p, Quoted(name) + " is not in a [keys] or [controller] section");
        return 1;
    }
    KeyBindings& b = p.result.bindings;
    std::map<int, int>* table = &b.extraKeys;
    int code = 0;
    int64_t source = 0;
    if (keys) {
        code = SDL_GetKeyFromName(name);
        source = KeySource(code);
        if (code == SDLK_UNKNOWN) {
            Complain(p, Quoted(name) + " is not a key name SDL knows");
            return 1;
        }
    } else if (const auto button = SDL_GameControllerGetButtonFromString(name); button != SDL_CONTROLLER_BUTTON_INVALID) {
        table = &b.buttons;
        code = button;
        source = ButtonSource(code);
    } else if (const auto axis = SDL_GameControllerGetAxisFromString(name);
               axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        table = &b.triggers;
        code = axis;
        source = TriggerSource(code);
    } else {
        Complain(p, Quoted(name) + " is not a controller button or trigger SDL knows");
        return 1;
    }
    const std::optional<int> vk = GameKeyNamed(value);
    if (!vk) {
        Complain(p, Quoted(value) + " is not one of the game's keys (Left, Right, Up, Down, Space, Enter, Esc, P, Y, "
                                    "N, 2 to 6, F11)");
        return 1;
    }
    if (const auto [first, fresh] = p.firstLine.emplace(source, p.reader.number); !fresh) {
        Complain(p, Quoted(name) + " is given twice (first on line " + std::to_string(first->second) + ")");
        return 1;
    }
    (*table)[code] = *vk;
    return 1;
}

}  // namespace

KeyBindings UsualBindings() {
    KeyBindings b;
    b.buttons = {{SDL_CONTROLLER_BUTTON_DPAD_LEFT, VK_LEFT},
                 {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, VK_RIGHT},
                 {SDL_CONTROLLER_BUTTON_DPAD_DOWN, VK_DOWN},
                 {SDL_CONTROLLER_BUTTON_DPAD_UP, VK_UP},
                 {SDL_CONTROLLER_BUTTON_A, VK_UP},  // rotate, and up in the menus
                 {SDL_CONTROLLER_BUTTON_B, VK_SPACE},
                 {SDL_CONTROLLER_BUTTON_START, VK_RETURN},
                 {SDL_CONTROLLER_BUTTON_BACK, VK_ESCAPE},
                 {SDL_CONTROLLER_BUTTON_Y, 'P'},
                 {SDL_CONTROLLER_BUTTON_X, '2'},
                 {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, '3'},
                 {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, '4'}};
    b.triggers = {{SDL_CONTROLLER_AXIS_TRIGGERLEFT, '5'}, {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, '6'}};
    return b;
}

ParsedBindings ParseKeyBindings(const std::string& text) {
    Parse p{LineReader{text}, {UsualBindings(), {}}, {}, {}, {}};
    ini_parse_stream(ReadLine, &p.reader, TakeLine, &p);
    // What inih passed over without a word: blank lines, comments, sections, and lines it could not read.
    for (size_t i = 0; i < p.reader.lines.size(); ++i) {
        const std::string& line = p.reader.lines[i];
        const int number = int(i) + 1;
        if (p.handled.count(number) || line.find_first_not_of(" \t\r") == std::string::npos || line[0] == ';' ||
            line[0] == '#')
            continue;
        if (line[0] == '[' && line.find(']') != std::string::npos) continue;
        p.complaints.emplace(number, line[0] == '[' ? "a section name without \"]\"" : "no \"=\" in it");
    }
    for (const auto& [number, what] : p.complaints)
        p.result.complaints.push_back("line " + std::to_string(number) + ": " + what);
    return p.result;
}

KeyBindings LoadKeyBindings(const std::string& path) {
    if (path.empty()) return UsualBindings();
    std::string text;
    try {
        text = data::TextOnly(data::ReadWholeFile(path, data::KeysFileLimit), path);
    } catch (const data::Missing&) {
        return UsualBindings();
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s; the usual keys serve\n", e.what());
        return UsualBindings();
    }
    ParsedBindings parsed = ParseKeyBindings(text);
    for (const std::string& complaint : parsed.complaints)
        std::fprintf(stderr, "zintari: %s, %s; the line is skipped\n", path.c_str(), complaint.c_str());
    return std::move(parsed.bindings);
}

std::vector<int> GameKeys::KeysOf(int32_t sdlKey) const {
    std::vector<int> keys;
    if (const int vk = UsualKeyOf(sdlKey)) keys.push_back(vk);
    if (const auto extra = bindings_.extraKeys.find(sdlKey); extra != bindings_.extraKeys.end())
        keys.push_back(extra->second);
    return keys;
}

std::vector<int> GameKeys::KeysOfButton(int button) const {
    const auto b = bindings_.buttons.find(button);
    return b == bindings_.buttons.end() ? std::vector<int>{} : std::vector<int>{b->second};
}

std::vector<int> GameKeys::KeyDown(int32_t sdlKey) { return Down(KeySource(sdlKey), KeysOf(sdlKey)); }
void GameKeys::KeyUp(int32_t sdlKey) { Up(KeySource(sdlKey), KeysOf(sdlKey)); }
std::vector<int> GameKeys::ButtonDown(int button) { return Down(ButtonSource(button), KeysOfButton(button)); }
void GameKeys::ButtonUp(int button) { Up(ButtonSource(button), KeysOfButton(button)); }

std::vector<int> GameKeys::TriggerMoved(int axis, int value) {
    constexpr int Threshold = 11000;
    const auto t = bindings_.triggers.find(axis);
    if (t == bindings_.triggers.end()) return {};
    const int64_t source = TriggerSource(axis);
    if (value > Threshold) return Down(source, {t->second});
    Up(source, {t->second});
    return {};
}

std::vector<int> GameKeys::Down(int64_t source, const std::vector<int>& keys) {
    std::vector<int> pressed;
    if (!held_.insert(source).second) return pressed;  // a key's repeat, a trigger pulled further
    for (const int vk : keys) {
        ++holders_[size_t(vk)];
        if (!KeyHeld(vk)) {
            PressKey(vk);
            pressed.push_back(vk);
        }
    }
    return pressed;
}

void GameKeys::Up(int64_t source, const std::vector<int>& keys) {
    if (!held_.erase(source)) return;
    for (const int vk : keys)
        if (--holders_[size_t(vk)] == 0) ReleaseKey(vk);
}

void GameKeys::ReleaseAll() {
    held_.clear();
    holders_.fill(0);
    ReleaseAllKeys();
}

}  // namespace platform
