#include "platform/key_bindings.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
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

bool Named(const std::string& section, const char* name) { return SDL_strcasecmp(section.c_str(), name) == 0; }

// A name from the file as a complaint shows it: in quotes, cut short.
std::string Quoted(const std::string& s) {
    constexpr size_t Longest = 40;
    return '"' + s.substr(0, Longest) + (s.size() > Longest ? "...\"" : "\"");
}

constexpr const char* Blanks = " \t";

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(Blanks);
    return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(Blanks) - first + 1);
}

bool Comment(const std::string& s) { return s.empty() || s[0] == ';' || s[0] == '#'; }

// The lines of the text, ended by LF, CRLF or CR alone.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// Where a binding's "=" is: after the closing quote of a quoted name, else
// the first one; npos when there is none.
size_t Separator(const std::string& line) {
    if (line[0] == '"')
        for (size_t quote = line.find('"', 1); quote != std::string::npos; quote = line.find('"', quote + 1))
            if (const size_t next = line.find_first_not_of(Blanks, quote + 1); next < line.size() && line[next] == '=')
                return next;
    return line.find('=');
}

// The game key's name after a binding's "=": one word, which a comment may follow.
std::string GameKeyOf(const std::string& afterSeparator) {
    std::string value = Trimmed(afterSeparator);
    if (const size_t blank = value.find_first_of(Blanks);
        blank != std::string::npos && Comment(Trimmed(value.substr(blank))))
        value.resize(blank);
    return value;
}

struct Parse {
    ParsedBindings result{UsualBindings(), {}};
    std::string section;
    int number = 0;  // of the line being read
    // A key, button or trigger (its table and code) -> the line that gave it.
    std::map<std::pair<const std::map<int, int>*, int>, int> firstLine;

    void Complain(const std::string& what) {
        result.complaints.push_back("line " + std::to_string(number) + ": " + what);
    }
    void Take(const std::string& line);
    void Bind(const std::string& name, const std::string& value);
};

void Parse::Take(const std::string& line) {
    if (std::any_of(line.begin(), line.end(), [](unsigned char c) { return (c < 32 && c != '\t') || c == 127; }))
        return Complain("control characters in it");  // never shown: they would reach the terminal raw
    if (line.empty()) return;
    if (Comment(line)) {
        // "; = Up" is a comment, though most likely meant to bind ";".
        const std::string sign = line.substr(0, 1), rest = Trimmed(line.substr(1));
        const std::string key = rest.rfind('=', 0) == 0 ? GameKeyOf(rest.substr(1)) : "";
        if (GameKeyNamed(key.c_str()))
            Complain("a comment, since it starts with \"" + sign + "\"; to bind that key write \"" + sign +
                     "\" = " + key);
        return;
    }
    const size_t separator = Separator(line);
    if (line[0] == '[' && separator == std::string::npos) {
        const size_t close = line.find(']');
        if (close == std::string::npos) return Complain("a section name without \"]\"");
        if (!Comment(Trimmed(line.substr(close + 1)))) return Complain("more after the section name's \"]\"");
        section = Trimmed(line.substr(1, close - 1));
        return;
    }
    if (separator == std::string::npos) return Complain("no \"=\" in it");
    std::string name = Trimmed(line.substr(0, separator));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    Bind(name, GameKeyOf(line.substr(separator + 1)));
}

void Parse::Bind(const std::string& name, const std::string& value) {
    const bool keys = Named(section, "keys"), controller = Named(section, "controller");
    if (!keys && !controller) return Complain(Quoted(name) + " is not in a [keys] or [controller] section");
    KeyBindings& b = result.bindings;
    std::map<int, int>* table = &b.extraKeys;
    int code = 0;
    if (keys) {
        code = SDL_GetKeyFromName(name.c_str());
        if (code == SDLK_UNKNOWN) return Complain(Quoted(name) + " is not a key name SDL knows");
    } else if (const auto button = SDL_GameControllerGetButtonFromString(name.c_str());
               button != SDL_CONTROLLER_BUTTON_INVALID) {
        table = &b.buttons;
        code = button;
    } else if (const auto axis = SDL_GameControllerGetAxisFromString(name.c_str());
               axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT || axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
        table = &b.triggers;
        code = axis;
    } else {
        return Complain(Quoted(name) + " is not a controller button or trigger SDL knows");
    }
    const std::optional<int> vk = GameKeyNamed(value.c_str());
    if (!vk)
        return Complain(Quoted(value) + " is not one of the game's keys (Left, Right, Up, Down, Space, Enter, Esc, P, "
                                        "Y, N, 2 to 6, F11)");
    if (const auto [first, fresh] = firstLine.emplace(std::pair(table, code), number); !fresh)
        return Complain(Quoted(name) + " is given twice (first on line " + std::to_string(first->second) + ")");
    (*table)[code] = *vk;
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
    Parse p;
    for (std::string line : Lines(text)) {
        if (++p.number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // a byte-order mark
        p.Take(Trimmed(line));
    }
    return std::move(p.result);
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
    if (text.find('\0') != std::string::npos) {  // binary: one line for it, not one for each of its "lines"
        std::fprintf(stderr, "zintari: %s: not a text file; the usual keys serve\n", path.c_str());
        return UsualBindings();
    }
    ParsedBindings parsed = ParseKeyBindings(text);
    for (const std::string& complaint : parsed.complaints)
        std::fprintf(stderr, "zintari: %s, %s; the line is skipped\n", path.c_str(), complaint.c_str());
    return std::move(parsed.bindings);
}

std::vector<int> GameKeys::KeyDown(int scancode, int32_t keyCode) {
    std::vector<int> keys;
    if (const int vk = UsualKeyOf(keyCode)) keys.push_back(vk);
    if (const auto extra = bindings_.extraKeys.find(keyCode); extra != bindings_.extraKeys.end())
        keys.push_back(extra->second);
    return Down({Keyboard, Key, scancode}, keys);
}

void GameKeys::KeyUp(int scancode) { Up({Keyboard, Key, scancode}); }

std::vector<int> GameKeys::ButtonDown(int pad, int button) {
    const auto b = bindings_.buttons.find(button);
    return Down({pad, Button, button}, b == bindings_.buttons.end() ? std::vector<int>{} : std::vector<int>{b->second});
}

void GameKeys::ButtonUp(int pad, int button) { Up({pad, Button, button}); }

std::vector<int> GameKeys::TriggerMoved(int pad, int axis, int value) {
    constexpr int Threshold = 11000;
    const auto t = bindings_.triggers.find(axis);
    if (t == bindings_.triggers.end()) return {};
    if (value > Threshold) return Down({pad, Trigger, axis}, {t->second});
    Up({pad, Trigger, axis});
    return {};
}

void GameKeys::PadRemoved(int pad) {
    for (auto s = held_.begin(); s != held_.end();)
        if (s->first.pad == pad && s->first.kind != Key) Up((s++)->first);
        else ++s;
}

std::vector<int> GameKeys::Down(const Source& source, const std::vector<int>& keys) {
    std::vector<int> pressed;
    if (!held_.emplace(source, keys).second) return pressed;  // a key's repeat, a trigger pulled further
    for (const int vk : keys) {
        ++holders_[size_t(vk)];
        if (!KeyHeld(vk)) {
            PressKey(vk);
            pressed.push_back(vk);
        }
    }
    return pressed;
}

void GameKeys::Up(const Source& source) {
    const auto s = held_.find(source);
    if (s == held_.end()) return;
    for (const int vk : s->second)
        if (--holders_[size_t(vk)] == 0) ReleaseKey(vk);
    held_.erase(s);
}

void GameKeys::ReleaseAll() {
    held_.clear();
    holders_.fill(0);
    ReleaseAllKeys();
}

}  // namespace platform
