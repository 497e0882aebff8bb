#include "platform/sdl_backend.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "data/files.h"
#include "platform/keyboard.h"
#include "platform/surface.h"

namespace platform {

namespace {

// The virtual-key code of an SDL key, 0 for keys the game does not know.
int VirtualKeyOf(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return '1' + (k - SDLK_KP_1);
    switch (k) {
    case SDLK_KP_0: return '0';
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
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

// The game controller drives the same key states as the keyboard.
int VirtualKeyOfButton(uint8_t button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
    case SDL_CONTROLLER_BUTTON_A: return VK_UP;  // rotate, and up in the menus
    case SDL_CONTROLLER_BUTTON_B: return VK_SPACE;
    case SDL_CONTROLLER_BUTTON_START: return VK_RETURN;
    case SDL_CONTROLLER_BUTTON_BACK: return VK_ESCAPE;
    case SDL_CONTROLLER_BUTTON_Y: return 'P';
    case SDL_CONTROLLER_BUTTON_X: return '2';
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return '3';
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return '4';
    default: return 0;
    }
}

// The triggers are axes: pulled past a third they count as the keys 5 and 6.
int VirtualKeyOfTrigger(uint8_t axis) {
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT) return '5';
    if (axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) return '6';
    return 0;
}
constexpr int16_t TriggerThreshold = 11000;

constexpr uint32_t RefreshPeriodMs = 16;  // at most one window refresh per display frame
constexpr int WindowedWidth = 640 * 2, WindowedHeight = 480 * 2;

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Without a display SDL falls back to a driver that shows nothing, and the
// game would run unseen until killed. A driver named in SDL_VIDEODRIVER is
// the caller's choice: offscreen and dummy are how the tests run.
bool HeadlessAsked() {
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked && (std::strstr(asked, "offscreen") || std::strstr(asked, "dummy"));
}

class SdlBackend : public Backend {
public:
    explicit SdlBackend(bool fullScreen) {
        if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("SDL_VIDEODRIVER"))
            throw data::FatalError("no display to show the game on: neither DISPLAY nor WAYLAND_DISPLAY is set");
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // a present must never wait for the display
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
            throw data::FatalError(std::string("cannot open the display: ") + SDL_GetError());
        const char* current = SDL_GetCurrentVideoDriver();
        const std::string driver = current ? current : "";
        if ((driver == "offscreen" || driver == "dummy") && !HeadlessAsked()) {
            SDL_Quit();
            throw data::FatalError("no display: the display in DISPLAY or WAYLAND_DISPLAY cannot be opened");
        }
        // Hidden until the renderer is ready and the window is black, so no
        // framed or stale picture flashes up first.
        window_ = SDL_CreateWindow("Zintari", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   fullScreen ? 640 : WindowedWidth, fullScreen ? 480 : WindowedHeight,
                                   (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) | SDL_WINDOW_HIDDEN);
        if (!window_) throw data::FatalError(std::string("cannot open the window: ") + SDL_GetError());
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) throw data::FatalError(std::string("cannot draw in the window: ") + SDL_GetError());
        SDL_RenderSetLogicalSize(renderer_, 640, 480);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, 640, 480);
        if (!texture_) throw data::FatalError(std::string("cannot draw in the window: ") + SDL_GetError());
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderPresent(renderer_);
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
        SDL_StopTextInput();
        // Controllers are optional: without the subsystem the keyboard serves.
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        // For measurements only: a yield that never sleeps, as a baseline.
        const char* spin = std::getenv("ZINTARI_YIELD_SPINS");
        sleepMs_ = spin && *spin == '1' ? 0 : 1;
        start_ = SDL_GetTicks();
    }

    ~SdlBackend() override {
        CloseAudio();
        SDL_DestroyTexture(texture_);
        SDL_DestroyRenderer(renderer_);
        SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    // Starts at 0 so that a long-running desktop does not matter; the
    // game's differences are wrap-safe anyway.
    int32_t TickCount() override { return int32_t(SDL_GetTicks() - start_); }

    void ProcessEvents() override {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Handle(e);
        Refresh();
        SDL_Delay(sleepMs_);
    }

    void Idle() override {
        // Only the window's own events: keys wait in the queue for the next yield.
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) > 0) Handle(e);
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) > 0) Handle(e);
        Refresh();
        SDL_Delay(sleepMs_);
    }

    void SetScreen(const Surface* screen) override {
        screen_ = screen;
        dirty_ = true;
        lastShown_.clear();
    }
    void ScreenChanged() override { dirty_ = true; }

    bool DisplayUsable() override {
        return (SDL_GetWindowFlags(window_) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) == 0;
    }

    std::string ClipboardText() override {
        if (!SDL_HasClipboardText()) return {};
        char* text = SDL_GetClipboardText();
        std::string s = text ? text : "";
        SDL_free(text);
        return s;
    }

    void ShowCursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }

    bool OpenAudio(AudioCallback callback) override {
        callback_ = std::move(callback);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        SDL_AudioSpec want{}, have{};
        want.freq = AudioRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = [](void* self, Uint8* stream, int len) {
            static_cast<SdlBackend*>(self)->callback_(reinterpret_cast<int16_t*>(stream), len / 4);
        };
        want.userdata = this;
        audio_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (audio_ == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        SDL_PauseAudioDevice(audio_, 0);
        return true;
    }

    void CloseAudio() override {
        if (audio_ == 0) return;
        SDL_CloseAudioDevice(audio_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio_ = 0;
    }
    void LockAudio() override {
        if (audio_) SDL_LockAudioDevice(audio_);
    }
    void UnlockAudio() override {
        if (audio_) SDL_UnlockAudioDevice(audio_);
    }

    bool TakeFocusLoss() override { return std::exchange(focusLost_, false); }

    void SetTextInput(bool on) override {
        if (on) SDL_StartTextInput();
        else SDL_StopTextInput();
        dirty_ = true;
    }

private:
    void Handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT: throw ProgramEnded{};
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) throw ProgramEnded{};
            lastShown_.clear();  // shown, resized or exposed: draw it again
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                ReleaseAllKeys();  // their key-ups go to another window
                focusLost_ = true;
            }
            dirty_ = true;
            break;
        case SDL_KEYDOWN: {
            const int vk = VirtualKeyOf(e.key.keysym.sym);
            if (vk == VK_BACK && NameField().visible) {
                NameField().Backspace();
                dirty_ = true;
            }
            if (vk == VK_F11 && !e.key.repeat) ToggleFullScreen();
            if (vk && !e.key.repeat) PressKey(vk);
            break;
        }
        case SDL_KEYUP:
            if (const int vk = VirtualKeyOf(e.key.keysym.sym)) ReleaseKey(vk);
            break;
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which)) {
                SDL_GameControllerClose(pad);
                ReleaseAllKeys();
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            if (const int vk = VirtualKeyOfButton(e.cbutton.button)) PressKey(vk);
            break;
        case SDL_CONTROLLERBUTTONUP:
            if (const int vk = VirtualKeyOfButton(e.cbutton.button)) ReleaseKey(vk);
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (const int vk = VirtualKeyOfTrigger(e.caxis.axis)) {
                if (e.caxis.value > TriggerThreshold) PressKey(vk);
                else ReleaseKey(vk);
            }
            break;
        case SDL_TEXTINPUT:
            if (NameField().visible) {
                NameField().Type(e.text.text);
                dirty_ = true;
            }
            break;
        default: break;
        }
    }

    void ToggleFullScreen() {
        const bool full = SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        if (full) {  // centred anew: where the small window was, the large one would leave the screen
            SDL_SetWindowSize(window_, WindowedWidth, WindowedHeight);
            SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
        dirty_ = true;
        lastShown_.clear();
    }

    // Copies the screen into the window, at most once per display frame.
    void Refresh() {
        const uint32_t now = SDL_GetTicks();
        if (!dirty_ || !screen_ || now - lastRefresh_ < RefreshPeriodMs) return;
        lastRefresh_ = now;
        dirty_ = false;
        const Surface* shown = screen_;
        if (NameField().visible) {
            overlay_ = *screen_;
            DrawNameField(overlay_);
            shown = &overlay_;
        }
        // A picture the window already shows costs nothing more.
        if (shown->Pixels() == lastShown_) return;
        lastShown_ = shown->Pixels();
        SDL_UpdateTexture(texture_, nullptr, shown->Pixels().data(), shown->Width() * 2);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    // The name field: a white box with black text and a caret.
    static void DrawNameField(Surface& s) {
        const TextField& f = NameField();
        constexpr int left = 16, width = 210, height = 17;
        FillRect(s, {left, f.top, left + width, f.top + height}, Rgb(255, 255, 255));
        s.SetForeColour(Rgb(96, 96, 96));
        DrawBox(s, left, f.top, left + width, f.top + height);
        s.SetForeColour(0);
        DrawSurfaceText(s, left + 3, f.top + 2, f.text);
        const int caret = left + 4 + SurfaceTextWidth(f.text);
        DrawLine(s, caret, f.top + 3, caret, f.top + height - 3);
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    SDL_AudioDeviceID audio_ = 0;
    AudioCallback callback_;
    const Surface* screen_ = nullptr;
    Surface overlay_;
    std::vector<uint16_t> lastShown_;
    bool dirty_ = true, focusLost_ = false;
    uint32_t start_ = 0, lastRefresh_ = 0, sleepMs_ = 1;
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(bool fullScreen) { return std::make_unique<SdlBackend>(fullScreen); }

}  // namespace platform

#include <unistd.h>

namespace platform {

std::string ExecutableFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw data::FatalError("cannot find the program's own folder");
    std::string exe(path, size_t(n));
    return exe.substr(0, exe.rfind('/'));
}

std::string UserDataFolder() {
    char* path = SDL_GetPrefPath("", "zintari");
    if (!path) throw data::FatalError(std::string("cannot create the data folder: ") + SDL_GetError());
    std::string folder = path;
    SDL_free(path);
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

}  // namespace platform
