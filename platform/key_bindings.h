// Which keyboard keys, controller buttons and triggers stand for the game's
// keys: the usual ones, and the player's own from keys.conf. Every key,
// button and trigger of the window goes through GameKeys, so the key states
// the game polls only ever see the game's keys.
#pragma once
#include <array>
#include <cstdint>
#include <map>
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
// section of SDL button and trigger names, each "name = game key"; a name
// may stand in double quotes ("=" = Up), which is how "=", and ";" or "#" at
// the start of a line, are written. Lines end in LF, CRLF or CR alone. Every
// line that is not blank, a comment, a section or a binding is skipped with
// a complaint; the rest still counts.
ParsedBindings ParseKeyBindings(const std::string& text);

// The keys file at path: its complaints go to stderr naming the file; a
// missing file gives the usual bindings silently, an unreadable or binary
// one with a message.
KeyBindings LoadKeyBindings(const std::string& path);

// Turns the window's key, button and trigger events into the game's key
// states. A keyboard key means what its key code (the layout) says when it
// goes down, and is held by its place on the keyboard (its scancode): its
// release lets go of what its press held, whatever the layout says by then.
// Buttons and triggers are held per controller (SDL's instance id). A game
// key stays held while anything that stands for it is held. Each call
// returns the game keys that went down.
class GameKeys {
public:
    explicit GameKeys(KeyBindings bindings = UsualBindings()) : bindings_(std::move(bindings)) {}
    std::vector<int> KeyDown(int scancode, int32_t keyCode);
    void KeyUp(int scancode);
    std::vector<int> ButtonDown(int pad, int button);
    void ButtonUp(int pad, int button);
    // A trigger counts as held while pulled past a third of its travel.
    std::vector<int> TriggerMoved(int pad, int axis, int value);
    // Lets go of what that controller held (it was unplugged).
    void PadRemoved(int pad);
    // Lets go of every game key (the window lost the keyboard).
    void ReleaseAll();

private:
    // A key (pad Keyboard, code its scancode), or a controller's button or trigger.
    static constexpr int Keyboard = -1;
    enum Kind { Key, Button, Trigger };
    struct Source {
        int pad;
        Kind kind;
        int code;
        auto operator<=>(const Source&) const = default;
    };
    std::vector<int> Down(const Source& source, const std::vector<int>& keys);
    void Up(const Source& source);

    KeyBindings bindings_;
    std::map<Source, std::vector<int>> held_;  // what is down now, and the game keys it holds
    std::array<int, 256> holders_{};           // per game key, how many of them stand for it
};

}  // namespace platform
