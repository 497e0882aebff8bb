// Key states by virtual-key code, as the game polls them: negative while the
// key is held, the low bit flipping on every press. Backends change them
// only while the game yields to event processing; the window's keys,
// buttons and triggers reach them through GameKeys (key_bindings.h).
#pragma once
#include <cstdint>
#include <string>

namespace platform {

enum VirtualKey : int {
    VK_RETURN = 13,
    VK_CAPITAL = 20,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_F11 = 122,
};
constexpr int VkDigit(int d) { return '0' + d; }
constexpr int VkLetter(char c) { return c; }  // 'A' to 'Z'

int16_t GetKeyState(int vk);
inline bool KeyHeld(int vk) { return GetKeyState(vk) < 0; }

// Called by backends while processing events.
void PressKey(int vk);
void ReleaseKey(int vk);
// Releases every held key (the window lost the keyboard).
void ReleaseAllKeys();
// Turns a key's toggle on, as a press and release would.
void SetKeyToggle(int vk);
// Clears the toggle bit of every key.
void ClearKeyToggles();
// Forgets everything: no key held or toggled.
void ResetKeyboard();
// A key's state whole, held and toggled, as a replay gives it back.
void SetKeyState(int vk, bool held, bool toggled);

// A key held after it has been up at least once since the watch began: a
// key still held from the screen before does not count until let go.
struct FreshPress {
    int vk;
    bool released = false;
    bool Held() {
        if (!KeyHeld(vk)) released = true;
        return released && KeyHeld(vk);
    }
};

// The single-line name field shown over the screen during name entry.
struct TextField {
    bool visible = false;
    int top = 800;
    std::string text;
    size_t maxLength = 16;
    // Appends typed text, keeping only the characters the field accepts.
    void Type(const std::string& typed);
    void Backspace();
};
TextField& NameField();
// Characters a name may hold: printable ASCII except the double quote.
bool NameCharAllowed(char c);

}  // namespace platform
