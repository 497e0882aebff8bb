// Every file the game reads, in every hostile form it may meet on a
// player's machine, through the code that reads it at start-up: the game
// comes to its menu (or stops cleanly, or refuses the replay) in moments,
// says one line naming the file, keeps to its usual memory and changes
// nothing of the player's. Each case runs in a child process as a user
// that is not root (so that a file without permissions cannot be read),
// whose peak memory the system measures.
#include <fcntl.h>
#include <grp.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "audio/audio.h"
#include "data/files.h"
#include "harness.h"
#include "platform/keyboard.h"
#include "platform/sdl_backend.h"
#include "platform/window_place.h"
#include "replay/format.h"
#include "replay/replay.h"
#include "shell/screens.h"

namespace {

namespace fs = std::filesystem;
using shell::State;

constexpr uid_t Nobody = 65534;
constexpr int HangSeconds = 30;       // a hang guard: a case takes well under a second
constexpr long SlackKiB = 8 << 10;    // memory beyond the usual start-up's
// Memory is measured in the plain build: the address sanitizer keeps what
// is freed for a while, in every process, and its figures say nothing.
#ifdef __SANITIZE_ADDRESS__
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

// The forms, in the order of the outcome letters below.
enum Form { Missing, Empty, Folder, Pipe, DevZero, LinkLoop, Unreadable, Huge, Garbage, CrOnly, OutOfRange, Forms };
const char* const FormNames[Forms] = {"missing", "empty",       "a folder",       "a pipe",        "/dev/zero",
                                      "a loop",  "unreadable",  "56 MB",          "binary garbage", "CR-only lines",
                                      "out of range"};

// What reads the file: the program's start-up on the headless backend (to
// the menu, the quick help and back, which reads the help and its tune);
// the real window's constructor under SDL's dummy driver, which reads
// keys.conf and gamecontrollerdb.txt as at any start; the window file's
// loader (the dummy driver keeps no window place, so the constructor would
// not read it); zintari --replay FILE --check.
enum class Reader { StartUp, Window, WindowFile, Check };
// Where the file lies: $XDG_DATA_HOME/zintari, $XDG_CONFIG_HOME/zintari,
// $XDG_STATE_HOME/zintari, the game's folder, anywhere.
enum class Place { Data, Config, State, Game, Anywhere };

struct File {
    std::string name;  // in its place
    Place place;
    Reader reader;
    // Per form: '.' the menu, nothing said; '1' the menu, one line naming
    // the file; 'X' one line naming the file and status 1 at once; '-' a
    // form that means nothing for this file.
    std::string outcomes;
    std::string usual, outOfRange;  // contents, plain (scrambled for .znd files)
    // Memory the reader may take for a file in its bound: a replay is read
    // whole before it is looked at.
    size_t mayRead = 0;
};

std::string Scrambled(std::string text) {
    data::ScrambleBytes(text, DataKey);
    return text;
}
bool IsScrambled(const std::string& name) { return name.ends_with(".znd"); }
// The text with every line ended by CR alone.
std::string EndedByCr(const std::string& text) {
    std::string ended;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\n') ended += text[i];
        else if (i == 0 || text[i - 1] != '\r') ended += '\r';
    return ended;
}
std::string ShippedPlain(const std::string& name) {
    const std::string bytes = data::ReadWholeFile(test::GameDir() + "/" + name, SIZE_MAX);
    return IsScrambled(name) ? Scrambled(bytes) : bytes;
}

// A file's kind, permissions and bytes (as a digest: a hostile file may be
// large), or a link's target.
std::string Describe(const fs::path& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return "nothing";
    if (S_ISLNK(info.st_mode)) return "link to " + fs::read_symlink(path).string();
    const std::string mode = "mode " + std::to_string(info.st_mode);
    if (!S_ISREG(info.st_mode)) return mode;
    return mode + ", bytes " + std::to_string(std::hash<std::string>{}(data::ReadWholeFile(path, SIZE_MAX)));
}
using Holdings = std::map<std::string, std::string>;  // name in the player's folders: Describe()
Holdings Held(const std::vector<std::string>& folders) {
    Holdings held;
    for (const std::string& folder : folders) {
        std::error_code failed;
        for (fs::directory_iterator it(folder, failed), end; !failed && it != end; it.increment(failed))
            held[it->path().string()] = Describe(it->path());
    }
    return held;
}
// Whether the player's folders hold after what they held before, but for
// a shipped file copied in where there was none (seeds: name to what it
// must hold) and a damaged file set aside whole under name.<time>.bad with
// the shipped one in its place.
::testing::AssertionResult NothingLost(const Holdings& before, const Holdings& after, const Holdings& seeds) {
    const auto setAside = [&](const std::string& aside, const std::string& name) {  // aside holds what name held
        return aside.starts_with(name + ".") && aside.ends_with(".bad") && before.count(name) &&
               after.at(aside) == before.at(name);
    };
    for (const auto& [name, held] : after) {
        const auto was = before.find(name);
        const auto seed = seeds.find(name);
        if (was != before.end() && was->second == held) continue;
        if (std::any_of(before.begin(), before.end(), [&](const auto& b) { return setAside(name, b.first); })) continue;
        const bool putAside = std::any_of(after.begin(), after.end(), [&](const auto& a) { return setAside(a.first, name); });
        if (seed != seeds.end() && seed->second == held && (was == before.end() || putAside)) continue;
        return ::testing::AssertionFailure() << name << " holds " << held << ", held "
                                             << (was == before.end() ? "nothing" : was->second);
    }
    for (const auto& [name, held] : before)
        if (!after.count(name)) return ::testing::AssertionFailure() << name << " is gone";
    return ::testing::AssertionSuccess();
}

// One case: the folders of a player and a game whose one file is in a form.
struct Case {
    std::string root, data, config, state, game, temp, path;
};

class HostileFiles : public test::Headless {
protected:
    void TearDown() override {
        audio::AudioShutdown();
        Headless::TearDown();
    }

    // The game's folder as built, but for the file name: links to a copy
    // of the build's files that nobody can reach wherever the build lies,
    // in folders of their own.
    void LinkGame(const std::string& to, const std::string& name) {
        const fs::path from = fs::path(userDir).parent_path() / "shipped";
        if (!fs::exists(from)) {
            fs::copy(test::GameDir(), from, fs::copy_options::recursive);
            fs::remove(from / "zintari");  // the program is not read as data
        }
        fs::create_directory(to);
        for (const auto& entry : fs::recursive_directory_iterator(from)) {
            const fs::path target = to / fs::relative(entry.path(), from);
            if (entry.is_directory()) fs::create_directory(target);
            else if (fs::relative(entry.path(), from) != name) fs::create_symlink(entry.path(), target);
        }
    }

    // The case's folders with the file in a form (Forms: as usual), all
    // of them nobody's.
    Case Make(const File& f, int form, int n) {
        fs::permissions(fs::path(userDir).parent_path(), fs::perms::owner_all | fs::perms::others_exec);  // nobody passes
        Case c;
        c.root = fs::path(userDir).parent_path().string() + "/case" + std::to_string(n);
        c.data = c.root + "/data/zintari", c.config = c.root + "/config/zintari", c.state = c.root + "/state/zintari";
        c.game = c.root + "/game", c.temp = c.root + "/temp";
        for (const std::string& folder : {c.data, c.config, c.state, c.temp}) fs::create_directories(folder);
        LinkGame(c.game, f.place == Place::Game ? f.name : "");
        const std::map<Place, std::string> folders = {{Place::Data, c.data},   {Place::Config, c.config},
                                                      {Place::State, c.state}, {Place::Game, c.game},
                                                      {Place::Anywhere, c.root}};
        c.path = folders.at(f.place) + "/" + f.name;
        const auto write = [&](const std::string& bytes) {
            data::WriteFileAtomically(c.path, IsScrambled(f.name) ? Scrambled(bytes) : bytes, data::Sync::No);
        };
        std::mt19937 random{uint32_t(n)};
        std::string garbage(4096, '\0');
        for (char& b : garbage) b = char(random());
        switch (Form(form)) {
        case Forms: write(f.usual); break;  // as usual
        case Missing: break;
        case Empty: write(""); break;
        case Folder: fs::create_directory(c.path); break;
        case Pipe: ::mkfifo(c.path.c_str(), 0644); break;
        case DevZero: fs::create_symlink("/dev/zero", c.path); break;
        case LinkLoop: fs::create_symlink(fs::path(c.path).filename(), c.path); break;
        case Unreadable:
            write(f.usual);
            fs::permissions(c.path, fs::perms::none);
            break;
        case Huge:  // sparse: a reader that took it whole would show in its memory all the same
            write("");
            fs::resize_file(c.path, 56 << 20);
            break;
        case Garbage: data::WriteFileAtomically(c.path, garbage, data::Sync::No); break;
        case CrOnly: write(EndedByCr(f.usual)); break;
        case OutOfRange: write(f.outOfRange); break;
        }
        for (const auto& entry : fs::recursive_directory_iterator(c.root)) ::lchown(entry.path().c_str(), Nobody, Nobody);
        ::lchown(c.root.c_str(), Nobody, Nobody);
        return c;
    }

    // Runs the file's reader on the case as nobody; its status (3: the
    // start-up never came back to the menu), stderr, peak memory and time.
    struct Ran {
        int status = -1;
        std::string said;
        long peakKiB = 0;
        double seconds = 0;
    };
    static std::string Figures(const Ran& ran) {
        char text[64];
        std::snprintf(text, sizeof text, "%.2f s, peak %.1f MiB", ran.seconds, double(ran.peakKiB) / 1024);
        return text;
    }
    Ran Run(const File& f, const Case& c) {
        const std::string said = fs::path(c.root).parent_path() / ("said-" + fs::path(c.root).filename().string());
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            const int err = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(err, 1);
            ::dup2(err, 2);
            ::setenv("XDG_DATA_HOME", (c.root + "/data").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (c.root + "/config").c_str(), 1);
            ::setenv("XDG_STATE_HOME", (c.root + "/state").c_str(), 1);
            mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // as the game's main() has it
            if (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
                ::setresuid(Nobody, Nobody, Nobody) != 0)
                _exit(9);
            _exit(Read(f, c));
        }
        Ran ran;
        int status = 0;
        struct rusage usage {};
        while (::wait4(child, &status, WNOHANG, &usage) == 0) {
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(HangSeconds)) {
                ::kill(child, SIGKILL);
                ::wait4(child, &status, 0, &usage);
                ADD_FAILURE() << "hung for " << HangSeconds << " s";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ran.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ran.peakKiB = usage.ru_maxrss;
        ran.said = data::ReadWholeFile(said, SIZE_MAX);
        return ran;
    }

    int Read(const File& f, const Case& c) {
        switch (f.reader) {
        case Reader::StartUp: {
            data::SetFolders(c.game, c.data, c.temp);
            int menus = 0;
            shell::OnStateEntered = [&](State s) {
                const int32_t now = backend.TickCount();
                if (s == State::MainMenu && ++menus == 1) {  // down to Quick Help
                    Tap(50, platform::VK_DOWN), Tap(250, platform::VK_DOWN), Tap(450, platform::VK_RETURN);
                } else if (s == State::QuickHelp) {
                    Tap(300, platform::VK_ESCAPE);
                } else if (s == State::MainMenu) {
                    backend.CloseAt(now + 100);
                }
            };
            backend.SetSleeps(true);
            const int status = shell::RunProgram();
            return status ? status : menus == 2 ? 0 : 3;
        }
        case Reader::Window:
            try {
                platform::MakeSdlBackend(false);
                return 0;
            } catch (const data::FatalError& e) {
                std::fprintf(stderr, "zintari: %s\n", e.what());
                return 1;
            }
        case Reader::WindowFile: platform::LoadWindowPlace(c.path); return 0;
        case Reader::Check: {
            const std::optional<replay::Recording> recording = replay::OpenReplay(c.path, c.game);
            return recording ? replay::CheckReplay(*recording) : 1;
        }
        }
        return 4;
    }
};

TEST_F(HostileFiles, NoFileInAnyFormHangsStopsOrSwellsTheGameOrLosesThePlayersFiles) {
    const std::string prefs = "1\r\n1\r\n2\r\n0\r\n5\r\n\"Rise and fall it is just so always\"\r\n";
    std::string scores;
    for (int i = 10; i > 0; --i) scores += "\"Ann\"\r\n" + std::to_string(100 * i) + "\r\n";
    const std::string levels = ShippedPlain("levlet.znd");
    const std::string pad = "05000000aaaabbbb0000cccc00000000,Hostile Pad,a:b0,b:b1,platform:Linux,\n";
    // Numbers out of range: a picture 8000 pixels square, a sound of 4 GB
    // in 6 channels at 0 Hz, a tune of 65535 tracks 4 GB long, a replay of
    // format 255, a level of piece kind 9, 99 levels open, a score of 13
    // digits, a key bound to a power that does not exist, a button 99999.
    std::string bigPicture = ShippedPlain("graphs/zintarilogo.znd");
    bigPicture.replace(bigPicture.find("\xFF\xC0") + 5, 4, "\x1F\x40\x1F\x40");  // the frame header's height and width
    const std::string wildSound =
        std::string("RIFF\xF0\xFF\xFF\xFFWAVEfmt \x10\0\0\0\x01\0\x06\0\0\0\0\0\0\0\0\0\x0C\0\x10\0data\xF0\xFF\xFF\xFF", 44) +
        std::string(64, '\x7F');
    const std::string wildTune = std::string("MThd\0\0\0\x06\0\x01\xFF\xFF\x01\xE0MTrk\xFF\xFF\xFF\xF0", 22);
    const std::vector<File> files = {
        // Per form:          missing, empty, folder, pipe, /dev/zero, loop, unreadable, 56 MB, garbage, CR, range
        {"prefs.znd", Place::Data, Reader::StartUp, ".11111111.1", prefs, "1,1,2,0,99\r\n"},
        {"scores.znd", Place::Data, Reader::StartUp, ".11111111.1", scores, "\"Ann\"\r\n1234567890123\r\n" + scores},
        {"keys.conf", Place::Config, Reader::Window, "..1111111.1", "[keys]\nW = Up\nA = Left\n", "[keys]\nW = 7\n"},
        {"gamecontrollerdb.txt", Place::Config, Reader::Window, "..1111111..", pad,
         "05000000aaaabbbb0000cccc00000000,Hostile Pad,a:b99999,platform:Linux,\n"},
        {"window", Place::State, Reader::WindowFile, ".11111111.1", "window 10 20 800 600\n", "window 0 0 99999 300\n"},
        {"levlet.znd", Place::Game, Reader::StartUp, "XXXXXXXXXXX", levels, levels.substr(0, 2) + "9" + levels.substr(3)},
        {"qhelp.znd", Place::Game, Reader::StartUp, "111111111.-", ShippedPlain("qhelp.znd"), ""},
        {"graphs/zintarilogo.znd", Place::Game, Reader::StartUp, "XXXXXXXXX-X", ShippedPlain("graphs/zintarilogo.znd"),
         bigPicture},
        {"wav/intro.wav", Place::Game, Reader::StartUp, "XXXXXXXXX-X", ShippedPlain("wav/intro.wav"), wildSound},
        {"mid/piano.mid", Place::Game, Reader::StartUp, "111111111-1", ShippedPlain("mid/piano.mid"), wildTune},
        {"prefs.znd", Place::Game, Reader::StartUp, "XXXXXXXXX.1", prefs, "1,1,2,0,99\r\n"},
        {"scores.znd", Place::Game, Reader::StartUp, "XXXXXXXXX.X", scores, "\"Ann\"\r\n1234567890123\r\n" + scores},
        {"run.zrp", Place::Anywhere, Reader::Check, "XXXXXXXXX-X", "ZINTARI REPLAY\n\x01", "ZINTARI REPLAY\n\xFF",
         replay::MaxStream},
    };
    // The usual figure: the most of three first start-ups, which seed the
    // player's files (the loaders' threads overlap by chance).
    Ran usual;
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const Ran ran = Run(files[0], Make(files[0], Missing, n++));
        ASSERT_EQ(ran.status, 0) << ran.said;
        if (ran.peakKiB > usual.peakKiB) usual = ran;
    }
    std::string figures = "usual start-up: " + Figures(usual) + "\n";
    for (const File& f : files) {
        ASSERT_EQ(f.outcomes.size(), size_t(Forms)) << f.name;
        for (int form = 0; form < Forms; ++form) {
            const char expected = f.outcomes[size_t(form)];
            if (expected == '-') continue;
            const std::string what = f.name + (f.place == Place::Game ? " (shipped)" : "") + ", " + FormNames[form];
            SCOPED_TRACE(what);
            const Case c = Make(f, form, n++);
            const std::vector<std::string> players = {c.data, c.config, c.state};
            const Holdings before = Held(players);
            Holdings seeds;  // the shipped files copied in where the player has none, if they serve
            for (const std::string name : {"prefs.znd", "scores.znd"})
                if (std::error_code e; (f.name != name || f.place != Place::Game || expected != 'X') &&
                                       fs::is_regular_file(c.game + "/" + name, e))
                    seeds[c.data + "/" + name] = Describe(fs::canonical(c.game + "/" + name));
            const Ran ran = Run(f, c);
            EXPECT_EQ(ran.status, expected == 'X' ? 1 : 0) << ran.said;
            EXPECT_EQ(std::count(ran.said.begin(), ran.said.end(), '\n'), expected == '.' ? 0 : 1) << ran.said;
            if (expected != '.') {
                EXPECT_NE(ran.said.find(fs::path(f.name).filename().string()), std::string::npos) << ran.said;
            }
            EXPECT_TRUE(NothingLost(before, Held(players), seeds));
            // The start-up's own peak varies with how its loading threads
            // overlap: a case over the figure runs again, and the least of
            // three counts (a file read past its bound is over it every time).
            long peakKiB = ran.peakKiB;
            const long most = usual.peakKiB + SlackKiB + long(f.mayRead >> 10);
            for (int again = 0; again < 2 && peakKiB > most && !Sanitized; ++again) {
                const Case another = Make(f, form, n++);
                peakKiB = std::min(peakKiB, Run(f, another).peakKiB);
                fs::remove_all(another.root);
            }
            EXPECT_TRUE(Sanitized || peakKiB <= most) << peakKiB << " KiB against " << most;
            figures += what + ": " + Figures(ran);
            if (peakKiB < ran.peakKiB) figures += ", again " + std::to_string(peakKiB >> 10) + " MiB";
            figures += "\n";
            fs::remove_all(c.root);
        }
    }
    std::printf("%s", figures.c_str());
}

// A config folder that is there but cannot be looked into is said once,
// for both its files, and the usual keys and pads serve.
TEST_F(HostileFiles, AConfigFolderThatCannotBeReadIsSaidOnce) {
    const File keys{"keys.conf", Place::Config, Reader::Window, "", "[keys]\nW = Up\n", ""};
    struct Folder {
        std::string form;
        std::function<void(const std::string& folder)> make;
        bool said;
    };
    const std::vector<Folder> folders = {
        {"as usual", [](const std::string&) {}, false},
        {"unreadable", [](const std::string& folder) { fs::permissions(folder, fs::perms::none); }, true},
        {"a file", [](const std::string& folder) { fs::remove_all(folder), data::WriteFileAtomically(folder, ""); }, true},
        {"a loop", [](const std::string& folder) { fs::remove_all(folder), fs::create_symlink("zintari", folder); }, true},
    };
    int n = 0;
    for (const Folder& f : folders) {
        SCOPED_TRACE(f.form);
        const Case c = Make(keys, Forms, n++);
        f.make(c.config);
        const Ran ran = Run(keys, c);
        EXPECT_EQ(ran.status, 0) << ran.said;
        EXPECT_EQ(std::count(ran.said.begin(), ran.said.end(), '\n'), f.said ? 1 : 0) << ran.said;
        EXPECT_EQ(ran.said.starts_with("zintari: " + c.config + ": cannot be read: "), f.said) << ran.said;
    }
}

}  // namespace
