// Which keyboard keys, controller buttons and triggers stand for the game's
// keys: the usual ones, and the player's own from keys.conf. Every key,
// button and trigger of the window goes through GameKeys, so the key states
// the game polls only ever see the game's keys.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct KeyBindings {
    std::map<int32_t, int> extraKeys;  // SDL key code -> the game key it also stands for
    std::map<int, int> buttons;        // SDL controller button -> game key
    std::map<int, int> triggers;       // SDL controller axis (a trigger) -> game key
};
// No extra keys, and the usual controller layout.
KeyBindings UsualBindings();

struct ParsedBindings {
    KeyBindings bindings;
    std::vector<std::string> complaints;  // "line 3: what is wrong with it"
};
// The text of a keys file: a [keys] section of SDL key names, a [controller]
// section of SDL button and trigger names, each "name = game key". A line it
// cannot use is skipped with a complaint; the rest still counts.
ParsedBindings ParseKeyBindings(const std::string& text);

// The keys file at path: its complaints go to stderr naming the file; a
// missing file gives the usual bindings silently, an unreadable one with a
// message.
KeyBindings LoadKeyBindings(const std::string& path);

// Turns the window's key, button and trigger events into the game's key
// states. A game key stays held while any key or button that stands for it
// is held. Each call returns the game keys that went down.
class GameKeys {
public:
    explicit GameKeys(KeyBindings bindings = UsualBindings()) : bindings_(std::move(bindings)) {}
    std::vector<int> KeyDown(int32_t sdlKey);
    void KeyUp(int32_t sdlKey);
    std::vector<int> ButtonDown(int button);
    void ButtonUp(int button);
    // A trigger counts as held while pulled past a third of its travel.
    std::vector<int> TriggerMoved(int axis, int value);
    // Lets go of every game key (the window lost the keyboard, a pad left).
    void ReleaseAll();

private:
    std::vector<int> Down(int64_t source, const std::vector<int>& keys);
    void Up(int64_t source, const std::vector<int>& keys);
    std::vector<int> KeysOf(int32_t sdlKey) const;
    std::vector<int> KeysOfButton(int button) const;

    KeyBindings bindings_;
    std::set<int64_t> held_;        // the keys, buttons and triggers down now
    std::array<int, 256> holders_{};  // per game key, how many of them stand for it
};

}  // namespace platform
