#include "platform/headless_backend.h"

#include <algorithm>
#include <ctime>

#include "platform/keyboard.h"
#include "platform/timing.h"

namespace platform {

namespace {
Backend* active = nullptr;
}

Backend& Active() {
    if (!active) {
        static HeadlessBackend fallback;  // code run outside a program or test
        active = &fallback;
    }
    return *active;
}

void Use(Backend* backend) { active = backend; }

uint64_t Backend::RandomSeed() { return uint64_t(std::time(nullptr)) ^ uint64_t(TickCount()); }

void HeadlessBackend::PressAt(int32_t t, int vk) { script_.insert({t, {Action::Press, vk, {}}}); }
void HeadlessBackend::ReleaseAt(int32_t t, int vk) { script_.insert({t, {Action::Release, vk, {}}}); }
void HeadlessBackend::TapAt(int32_t t, int vk, int32_t holdMs) {
    PressAt(t, vk);
    ReleaseAt(t + holdMs, vk);
}
void HeadlessBackend::TypeAt(int32_t t, const std::string& text) { script_.insert({t, {Action::Type, 0, text}}); }
void HeadlessBackend::SetUsableAt(int32_t t, bool usable) {
    script_.insert({t, {usable ? Action::Usable : Action::Unusable, 0, {}}});
}

void HeadlessBackend::LoseFocusAt(int32_t t) { script_.insert({t, {Action::FocusLost, 0, {}}}); }

void HeadlessBackend::Advance() {
    const std::optional<int32_t> due = TakeWakeTime();
    if (sleeps_) {
        int32_t next = std::min(closeAt_, due.value_or(closeAt_));
        if (!script_.empty()) next = std::min(next, script_.begin()->first);
        now_ = std::max(next, now_ + 1);
    } else {
        now_ += step_;
    }
    if (now_ >= closeAt_) throw ProgramEnded{};
}

void HeadlessBackend::RunScript() {
    while (!script_.empty() && script_.begin()->first <= now_) {
        const Action a = script_.begin()->second;
        script_.erase(script_.begin());
        switch (a.kind) {
        case Action::Press: PressKey(a.vk); break;
        case Action::Release: ReleaseKey(a.vk); break;
        case Action::Type:
            if (textInput_) NameField().Type(a.text);
            break;
        case Action::Usable: usable_ = true; break;
        case Action::Unusable: usable_ = false; break;
        case Action::FocusLost:
            ReleaseAllKeys();
            focusLost_ = true;
            break;
        }
    }
}

void HeadlessBackend::ProcessEvents() {
    ++yields_;
    Advance();
    RunScript();
    if (onYield) onYield();
}

void HeadlessBackend::Idle() {
    Advance();
    if (onIdle) onIdle();
}

}  // namespace platform
