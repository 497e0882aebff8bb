#include "platform/sdl_backend.h"

#include <SDL2/SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "data/files.h"
#include "platform/display.h"
#include "platform/key_bindings.h"
#include "platform/keyboard.h"
#include "platform/surface.h"
#include "platform/timing.h"
#include "platform/window_place.h"

namespace platform {

namespace {

constexpr uint32_t RefreshPeriodMs = 16;  // at most one window refresh per display frame

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

// The longest sleep of a yield or busy-wait pass when nothing is due; every
// timed step notes its moment, so this only bounds a forgotten one.
constexpr int32_t MaxSleepMs = 1000;

// The name field's box, as DrawNameField draws it, while it shows.
std::optional<Rect> NameFieldBox() {
    if (!NameField().visible) return std::nullopt;
    return Rect{16, NameField().top, 16 + 211, NameField().top + 18};
}

// The player's own files: the keys and the controllers' layouts, and where
// the window was. A config folder that is there but cannot be looked into
// is said once for both its files, and gives "": nothing to read.
std::string ConfigFolder() {
    const std::string folder = XdgFolder("XDG_CONFIG_HOME", ".config");
    if (folder.empty()) return folder;
    std::string why;
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) return folder;
        why = std::strerror(errno);
    } else if (!S_ISDIR(info.st_mode)) {
        why = "not a folder";
    } else if (::access(folder.c_str(), X_OK) != 0) {
        why = std::strerror(errno);
    }
    if (why.empty()) return folder;
    std::fprintf(stderr, "zintari: %s: cannot be read: %s; the usual keys and pads serve\n", folder.c_str(),
                 why.c_str());
    return "";
}
std::string ConfigFile(const std::string& folder, const char* name) { return folder.empty() ? "" : folder + "/" + name; }
std::string StateFile() {
    const std::string folder = XdgFolder("XDG_STATE_HOME", ".local/state");
    return folder.empty() ? "" : folder + "/window";
}

// Each display's area that windows may take (without the desktop's panels).
std::vector<Rect> UsableAreas() {
    std::vector<Rect> areas;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i)
        if (SDL_Rect r; SDL_GetDisplayUsableBounds(i, &r) == 0 && r.w > 0 && r.h > 0)
            areas.push_back({r.x, r.y, r.x + r.w, r.y + r.h});
    return areas;
}

// The player's descriptions of pads SDL does not know, read as every file
// is and handed to SDL's own loader.
void AddControllerMappings(const std::string& path) {
    if (path.empty()) return;
    try {
        std::string text = data::TextOnly(data::ReadWholeFile(path, data::ControllerDbLimit), path);
        if (text.empty()) return;  // SDL would call it an invalid stream
        std::replace(text.begin(), text.end(), '\r', '\n');  // SDL reads only lines ended by LF
        if (SDL_GameControllerAddMappingsFromRW(SDL_RWFromConstMem(text.data(), int(text.size())), 1) < 0)
            std::fprintf(stderr, "zintari: %s: %s\n", path.c_str(), SDL_GetError());
    } catch (const data::Missing&) {
    } catch (const data::FatalError& e) {
        std::fprintf(stderr, "zintari: %s; the pads SDL knows serve\n", e.what());
    }
}

class SdlBackend : public Backend {
public:
    explicit SdlBackend(std::optional<bool> fullScreen) {
        if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("SDL_VIDEODRIVER"))
            throw data::FatalError("no display to show the game on: neither DISPLAY nor WAYLAND_DISPLAY is set "
                                   "(on a console without a desktop, SDL_VIDEODRIVER=kmsdrm)");
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // a present must never wait for the display
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        // The window's own surface goes to the display rectangle by
        // rectangle, not through a renderer that presents it whole.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0)
            throw data::FatalError(std::string("cannot open the display: ") + SDL_GetError());
        const char* current = SDL_GetCurrentVideoDriver();
        const std::string driver = current ? current : "";
        if ((driver == "offscreen" || driver == "dummy") && !HeadlessAsked()) {
            SDL_Quit();
            throw data::FatalError("no display: the display in DISPLAY or WAYLAND_DISPLAY cannot be opened");
        }
        const std::string config = ConfigFolder();
        keys_ = GameKeys(LoadKeyBindings(ConfigFile(config, "keys.conf")));
        // A window nobody sees (offscreen, dummy: the tests) leaves the
        // player's window as it was.
        keepsPlace_ = driver != "offscreen" && driver != "dummy";
        if (keepsPlace_) kept_ = LoadWindowPlace(StateFile());
        modeChosen_ = fullScreen.has_value();
        OpenWindow(fullScreen.value_or(kept_.fullScreen));
        OpenOutput();
        SDL_ShowWindow(window_);
        frameDue_ = !FitFrame(windowed_);
        SDL_RaiseWindow(window_);
        SDL_StopTextInput();
        // Controllers are optional: without the subsystem the keyboard serves.
        // The player's gamecontrollerdb.txt names pads that SDL does not know.
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) AddControllerMappings(ConfigFile(config, "gamecontrollerdb.txt"));
        // For measurements only: a yield that never sleeps, as a baseline.
        const char* spin = std::getenv("ZINTARI_YIELD_SPINS");
        spins_ = spin && *spin == '1';
        start_ = SDL_GetTicks();
        now_ = 0;
    }

    ~SdlBackend() override {
        KeepPlace();
        CloseAudio();
        if (texture_) SDL_DestroyTexture(texture_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        SDL_DestroyWindow(window_);
        SDL_Quit();
    }

    // The clock as the last yield or busy-wait pass read it: it moves only
    // between passes, as the keys do, so a run is replayed from one reading
    // a pass. Starts at 0 so that a long-running desktop does not matter;
    // the game's differences are wrap-safe anyway.
    int32_t TickCount() override { return now_; }

    void ProcessEvents() override {
        for (const SDL_Event& e : std::exchange(heldBack_, {})) Handle(e);
        SDL_Event e;
        while (SDL_PollEvent(&e)) Handle(e);
        Refresh();
        if (Sleep(e)) Handle(e);
        now_ = RealTicks();
    }

    void Idle() override {
        // Only the window's own events: keys and typing are held back for the
        // next yield, out of SDL's queue so that they do not end the sleep.
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) HandleOrHoldBack(e);
        Refresh();
        if (Sleep(e)) HandleOrHoldBack(e);
        now_ = RealTicks();
    }

    void SetScreen(const Surface* screen) override {
        screen_ = screen;
        whole_ = true;
    }
    void ScreenChanged() override {}  // the changes are in ScreenChanges

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
    }

private:
    // Hidden until the window is black, so no framed or stale picture
    // flashes up first. The kept window fits the displays, but should SDL
    // refuse it all the same, the usual window serves.
    void OpenWindow(bool full) {
        const auto open = [&] {
            window_ = SDL_CreateWindow("Zintari", windowed_.x, windowed_.y, windowed_.width, windowed_.height,
                                       (full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) | SDL_WINDOW_HIDDEN |
                                           SDL_WINDOW_RESIZABLE);
            return window_ != nullptr;
        };
        windowed_ = WindowedPlace(kept_, UsableAreas());
        if (open()) return;
        if (kept_.width != 0) {
            std::fprintf(stderr, "zintari: %s: cannot open a window of %dx%d at %d, %d: %s; the usual window it is\n",
                         StateFile().c_str(), windowed_.width, windowed_.height, windowed_.x, windowed_.y,
                         SDL_GetError());
            windowed_ = WindowedPlace({kept_.fullScreen}, UsableAreas());
            if (open()) return;
        }
        throw data::FatalError(std::string("cannot open the window: ") + SDL_GetError());
    }

    // The window manager's frame must fit the display too. Once the window
    // shows, its frame is known (where the system tells it, in an event, so
    // maybe only after the window has moved): a window that is now where its
    // frame sticks out is made smaller or moved. False while there is no
    // frame known to fit.
    bool FitFrame(const WindowPlace& now) {
        int top = 0, left = 0, bottom = 0, right = 0;
        SDL_PumpEvents();
        if (FullScreen() || SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0 ||
            top + left + bottom + right == 0)
            return false;
        WindowPlace framed = now;
        framed.width += left + right;
        framed.height += top + bottom;
        framed = WindowedPlace(framed, UsableAreas());
        framed.width -= left + right;
        framed.height -= top + bottom;
        if (framed != now) {
            windowed_ = framed;
            SDL_SetWindowSize(window_, framed.width, framed.height);
            SDL_SetWindowPosition(window_, framed.x + left, framed.y + top);  // where the picture goes, in the frame
        }
        return true;
    }

    // Where the picture goes. Where the window has a surface of its own
    // (X11, shared with the display server) the changed rectangles are
    // scaled into it on the processor, and no graphics driver is loaded. A
    // renderer, whose texture the graphics card scales, serves where there is
    // no such surface of 4 bytes a pixel (Wayland, a 16-bit display) or when
    // the player names one in SDL_RENDER_DRIVER. The format is checked before
    // the surface is taken: SDL 2.28 and later refuse a renderer to a window
    // that has one.
    void OpenOutput() {
        if (!Set("SDL_RENDER_DRIVER") && SDL_BYTESPERPIXEL(SDL_GetWindowPixelFormat(window_)) == 4) {
            if (SDL_Surface* out = SDL_GetWindowSurface(window_); out && out->format->BytesPerPixel == 4) {
                SDL_FillRect(out, nullptr, SDL_MapRGB(out->format, 0, 0, 0));
                SDL_UpdateWindowSurface(window_);
                return;
            }
#if SDL_VERSION_ATLEAST(2, 28, 0)
            SDL_DestroyWindowSurface(window_);  // a surface of another format: the renderer it is
#endif
        }
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_) throw data::FatalError(std::string("cannot draw in the window: ") + SDL_GetError());
        SDL_RenderSetLogicalSize(renderer_, 640, 480);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, 640, 480);
        if (!texture_) throw data::FatalError(std::string("cannot draw in the window: ") + SDL_GetError());
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderPresent(renderer_);
    }

    int32_t RealTicks() const { return int32_t(SDL_GetTicks() - start_); }

    void HandleOrHoldBack(const SDL_Event& e) {
        if (e.type == SDL_QUIT || e.type == SDL_WINDOWEVENT) Handle(e);
        else heldBack_.push_back(e);
    }

    void Handle(const SDL_Event& e) {
        switch (e.type) {
        case SDL_QUIT: throw ProgramEnded{};
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) throw ProgramEnded{};
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                keys_.ReleaseAll();  // their key-ups go to another window
                focusLost_ = true;
            }
            if (frameDue_ &&
                (e.window.event == SDL_WINDOWEVENT_MOVED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
                frameDue_ = !FitFrame(Place());
            }
            whole_ = true;  // shown, resized or exposed: draw it all again
            break;
        case SDL_KEYDOWN:
            if (e.key.keysym.sym == SDLK_BACKSPACE && NameField().visible) {
                NameField().Backspace();
                fieldChanged_ = true;
            }
            if (!e.key.repeat) Pressed(keys_.KeyDown(e.key.keysym.scancode, e.key.keysym.sym));
            break;
        case SDL_KEYUP: keys_.KeyUp(e.key.keysym.scancode); break;
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(e.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:  // which: the pad's instance id here, as in its button events
            if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(e.cdevice.which))
                SDL_GameControllerClose(pad);
            keys_.PadRemoved(e.cdevice.which);
            break;
        case SDL_CONTROLLERBUTTONDOWN: Pressed(keys_.ButtonDown(e.cbutton.which, e.cbutton.button)); break;
        case SDL_CONTROLLERBUTTONUP: keys_.ButtonUp(e.cbutton.which, e.cbutton.button); break;
        case SDL_CONTROLLERAXISMOTION: Pressed(keys_.TriggerMoved(e.caxis.which, e.caxis.axis, e.caxis.value)); break;
        case SDL_TEXTINPUT:
            if (NameField().visible) {
                NameField().Type(e.text.text);
                fieldChanged_ = true;
            }
            break;
        default: break;
        }
    }

    // The game keys that went down: F11 switches between full screen and a window.
    void Pressed(const std::vector<int>& keys) {
        if (std::find(keys.begin(), keys.end(), VK_F11) != keys.end()) ToggleFullScreen();
    }

    bool FullScreen() const { return SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP; }

    // Where the window is now (while it is not full screen): its size, and
    // the place of its frame, which is where the window manager puts a new
    // window asked to be at that place.
    WindowPlace Place() const {
        WindowPlace p;
        int top = 0, left = 0;
        SDL_GetWindowPosition(window_, &p.x, &p.y);
        SDL_GetWindowBordersSize(window_, &top, &left, nullptr, nullptr);
        p.x -= left;
        p.y -= top;
        SDL_GetWindowSize(window_, &p.width, &p.height);
        return p;
    }

    void ToggleFullScreen() {
        const bool full = FullScreen();
        if (!full) windowed_ = Place();
        SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        if (full) {  // back where the window was; its frame is fitted once the window manager has put it back
            SDL_SetWindowSize(window_, windowed_.width, windowed_.height);
            SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
            frameDue_ = true;
        }
        whole_ = true;
    }

    // Keeps the mode, size and place for the next start. A run whose mode
    // the command line chose keeps the mode as it was, but the window's size
    // and place as the run left them.
    void KeepPlace() {
        if (!keepsPlace_) return;
        const bool full = FullScreen();
        if (!full) windowed_ = Place();
        WindowPlace place = windowed_;
        place.fullScreen = modeChosen_ ? kept_.fullScreen : full;
        SaveWindowPlace(StateFile(), place);
    }

    bool Pending() const {
        return screen_ && (whole_ || !ScreenChanges.Empty() || fieldChanged_ || NameFieldBox() != fieldShown_);
    }

    // Sleeps until the earliest moment the game noted or the next refresh of
    // a changed picture, or until an event comes: then true, with the event.
    bool Sleep(SDL_Event& e) {
        const std::optional<int32_t> due = TakeWakeTime();
        if (spins_) {
            SDL_Delay(0);  // gives the processor away but never sleeps
            return false;
        }
        int32_t ms = MaxSleepMs;
        if (due) ms = std::min(ms, Since(*due, RealTicks()));
        if (Pending()) ms = std::min(ms, int32_t(lastRefresh_ + RefreshPeriodMs - SDL_GetTicks()));
        return ms > 0 && SDL_WaitEventTimeout(&e, int(ms));
    }

    // Shows the changed parts of the screen, at most once per display frame.
    void Refresh() {
        const uint32_t now = SDL_GetTicks();
        if (!Pending() || now - lastRefresh_ < RefreshPeriodMs) return;
        lastRefresh_ = now;
        const Surface* shown = screen_;
        // The name field is drawn over the screen here: where it was shows
        // again, with or without it.
        if (fieldShown_) ScreenChanges.Add(*fieldShown_);
        fieldShown_ = NameFieldBox();
        fieldChanged_ = false;
        if (fieldShown_) {
            overlay_ = *screen_;
            DrawNameField(overlay_);
            ScreenChanges.Add(*fieldShown_);
            shown = &overlay_;
        }
        if (whole_) ScreenChanges.Add(WholeSurface);
        std::vector<Rect> changed = ScreenChanges.Take();
        if (changed.empty()) return;
        if (renderer_) {
            ShowWithRenderer(*shown, changed);
        } else if (!ShowOnSurface(*shown, changed, whole_)) {
            for (const Rect& r : changed) ScreenChanges.Add(r);  // shown on the next refresh
            return;
        }
        whole_ = false;
    }

    // One upload of the box around the changes; the card scales the picture.
    void ShowWithRenderer(const Surface& shown, const std::vector<Rect>& changed) {
        Rect box = changed.front();
        for (const Rect& r : changed)
            box = {std::min(box.Left, r.Left), std::min(box.Top, r.Top), std::max(box.Right, r.Right),
                   std::max(box.Bottom, r.Bottom)};
        const SDL_Rect area{box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top};
        SDL_UpdateTexture(texture_, &area, shown.Row(box.Top) + box.Left, shown.Width() * 2);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    // Scales the changed rectangles into the window's surface in one pass
    // (nearest pixel, aspect kept, black bars) and sends only them; false
    // when the window has no surface to draw in just now.
    bool ShowOnSurface(const Surface& shown, std::vector<Rect> changed, bool whole) {
        SDL_Surface* out = SDL_GetWindowSurface(window_);
        if (!out || out->format->BytesPerPixel != 4) return false;
        if (out->w != outW_ || out->h != outH_ || out->format->format != outFormat_) {
            Measure(out);
            whole = true;
        }
        if (whole) {  // a new surface, or one the display lost: the bars and the whole picture
            SDL_FillRect(out, nullptr, SDL_MapRGB(out->format, 0, 0, 0));
            changed = {Rect{0, 0, ScreenWidth, ScreenHeight}};
        }
        std::vector<SDL_Rect> sent;
        for (const Rect& r : changed) {
            const int x0 = edgeX_[size_t(r.Left)], x1 = edgeX_[size_t(r.Right)];
            const int y0 = edgeY_[size_t(r.Top)], y1 = edgeY_[size_t(r.Bottom)];
            for (int y = y0; y < y1; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(out->pixels) +
                                                        size_t(top_ + y) * size_t(out->pitch)) + left_;
                if (y > y0 && fromY_[size_t(y)] == fromY_[size_t(y - 1)]) {  // the row above again
                    std::memcpy(row + x0, reinterpret_cast<uint8_t*>(row + x0) - out->pitch, size_t(x1 - x0) * 4);
                    continue;
                }
                const uint16_t* from = shown.Row(fromY_[size_t(y)]);
                for (int x = x0; x < x1; ++x) row[x] = colours_[from[fromX_[size_t(x)]]];
            }
            sent.push_back({left_ + x0, top_ + y0, x1 - x0, y1 - y0});
        }
        if (whole) SDL_UpdateWindowSurface(window_);
        else SDL_UpdateWindowSurfaceRects(window_, sent.data(), int(sent.size()));
        return true;
    }

    // Where the picture lies in a surface of this size, which game pixel
    // each of its pixels shows, and the colours in the surface's format.
    void Measure(const SDL_Surface* out) {
        outW_ = out->w;
        outH_ = out->h;
        outFormat_ = out->format->format;
        // The larger scale that fits, as the renderer's logical size does it.
        int w = out->w, h = out->h;
        if (w * 480 > h * 640) w = h * 640 / 480;
        else if (w * 480 < h * 640) h = w * 480 / 640;
        left_ = (out->w - w) / 2;
        top_ = (out->h - h) / 2;
        Map(fromX_, edgeX_, w, 640);
        Map(fromY_, edgeY_, h, 480);
        // Every 5-6-5 colour as SDL converts it for a texture or a blit.
        std::vector<uint16_t> all(colours_.size());
        for (size_t p = 0; p < all.size(); ++p) all[p] = uint16_t(p);
        SDL_ConvertPixels(int(all.size()), 1, SDL_PIXELFORMAT_RGB565, all.data(), int(all.size() * 2),
                          out->format->format, colours_.data(), int(colours_.size() * 4));
    }

    // from[d]: the game pixel at the centre of scaled pixel d (of size
    // scaled), the second of two when the centre is on their boundary;
    // edge[g]: the first scaled pixel showing game pixel g or later.
    static void Map(std::vector<int>& from, std::vector<int>& edge, int scaled, int size) {
        from.resize(size_t(scaled));
        edge.assign(size_t(size) + 1, scaled);
        int g = 0;
        for (int d = 0; d < scaled; ++d) {
            from[size_t(d)] = int(int64_t(2 * d + 1) * size / (2 * int64_t(scaled)));
            while (g <= from[size_t(d)]) edge[size_t(g++)] = d;
        }
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
    SDL_Renderer* renderer_ = nullptr;  // none: the window's own surface
    SDL_Texture* texture_ = nullptr;
    SDL_AudioDeviceID audio_ = 0;
    AudioCallback callback_;
    GameKeys keys_;
    // The mode and window kept from the last run, whether the command line
    // chose this run's mode, and where the window goes when not full screen.
    WindowPlace kept_, windowed_;
    bool keepsPlace_ = false, modeChosen_ = false;
    bool frameDue_ = false;  // the frame is fitted on the window's next move or resize once it is known
    const Surface* screen_ = nullptr;
    Surface overlay_;
    std::vector<SDL_Event> heldBack_;  // keys that came during a busy wait
    std::optional<Rect> fieldShown_;   // the name field's box as the window shows it
    bool whole_ = true, fieldChanged_ = false, focusLost_ = false, spins_ = false;
    uint32_t start_ = 0, lastRefresh_ = 0;
    int32_t now_ = 0;  // the clock at the end of the last pass
    // The window's surface: its size and format, the picture's place in it,
    // the game pixel of each of its columns and rows, and every colour in it.
    int outW_ = 0, outH_ = 0, left_ = 0, top_ = 0;
    uint32_t outFormat_ = 0;
    std::vector<int> fromX_, fromY_, edgeX_, edgeY_;
    std::vector<uint32_t> colours_ = std::vector<uint32_t>(65536);
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend(std::optional<bool> fullScreen) {
    return std::make_unique<SdlBackend>(fullScreen);
}

}  // namespace platform

#include <unistd.h>

#include <filesystem>

namespace platform {

std::string ExecutablePath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) throw data::FatalError("cannot find the program's own folder");
    return std::string(path, size_t(n));
}

std::string ExecutableFolder() {
    const std::string exe = ExecutablePath();
    return exe.substr(0, exe.rfind('/'));
}

std::string GameDataFolder() {
    const std::string program = ExecutableFolder();
    const auto installed = (std::filesystem::path(program) / "../share/games/zintari").lexically_normal();
    std::error_code ignored;
    return std::filesystem::is_directory(installed, ignored) ? installed.string() : program;
}

std::string UserDataFolder() {
    const std::string folder = XdgFolder("XDG_DATA_HOME", ".local/share");
    if (folder.empty()) throw data::FatalError("no folder for your files: neither XDG_DATA_HOME nor HOME is set");
    // A folder that cannot be made (a full disk) does not stop the game:
    // the shipped options and best players serve, and saves say they fail.
    std::error_code failed;
    if (std::filesystem::create_directories(folder, failed))  // private, as the player's own
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, failed);
    if (failed)
        std::fprintf(stderr, "zintari: cannot make %s: %s; nothing is kept this run\n", folder.c_str(),
                     failed.message().c_str());
    return folder;
}

std::string XdgFolder(const char* variable, const char* underHome) {
    const char* set = std::getenv(variable);
    if (set && set[0] == '/') return std::string(set) + "/zintari";  // a relative one does not count
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/" + underHome + "/zintari" : "";
}

}  // namespace platform
