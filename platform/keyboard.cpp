#include "platform/keyboard.h"

#include <array>

namespace platform {

namespace {

constexpr uint16_t HeldBits = 0xFF80;  // the state reads negative while held
constexpr uint16_t ToggleBit = 1;
std::array<uint16_t, 256> states{};

bool Valid(int vk) { return vk >= 0 && vk < 256; }

}  // namespace

int16_t GetKeyState(int vk) { return Valid(vk) ? int16_t(states[size_t(vk)]) : 0; }

void PressKey(int vk) {
    if (!Valid(vk) || (states[size_t(vk)] & HeldBits)) return;  // auto-repeat changes nothing
    states[size_t(vk)] = uint16_t((states[size_t(vk)] ^ ToggleBit) | HeldBits);
}

void ReleaseKey(int vk) {
    if (Valid(vk)) states[size_t(vk)] &= ToggleBit;
}

void ReleaseAllKeys() {
    for (auto& s : states) s &= ToggleBit;
}

void SetKeyToggle(int vk) {
    if (Valid(vk)) states[size_t(vk)] |= ToggleBit;
}

void ClearKeyToggles() {
    for (auto& s : states) s &= uint16_t(~ToggleBit);
}

void ResetKeyboard() {
    states.fill(0);
    NameField() = TextField{};
}

void SetKeyState(int vk, bool held, bool toggled) {
    if (Valid(vk)) states[size_t(vk)] = uint16_t((held ? HeldBits : 0) | (toggled ? ToggleBit : 0));
}

bool NameCharAllowed(char c) { return c >= 32 && c < 127 && c != '"'; }

void TextField::Type(const std::string& typed) {
    for (char c : typed)
        if (NameCharAllowed(c) && text.size() < maxLength) text += c;
}

void TextField::Backspace() {
    if (!text.empty()) text.pop_back();
}

TextField& NameField() {
    static TextField field;
    return field;
}

}  // namespace platform
