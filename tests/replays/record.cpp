// record_replays GAME_DIR OUT_DIR [--flush-ms MS] [NAME...]: records the
// corpus of replays in OUT_DIR again (`make replays`), or only the replays
// named.
//
// Each replay is a run of the whole program on the headless window,
// recorded as every run is. A scenario's player answers each screen with
// the game's keys, plays the well with the autoplayer and does what the
// replay is for (a power fired, a pause, the leave question...); the run
// must reach what the scenario names, or nothing is kept. A fault report's
// replay, OUT_DIR/reports/NAME.zrp, is played again from its inputs (the
// clock of every pass, the keys and text at each, the seed, the clipboard
// and the player's files) on the game as it is now, and recorded as
// OUT_DIR/NAME.zrp.
//
// The same build makes the same bytes: the seed and the clipboard are
// fixed, the clock is virtual, each run has a process of its own, and the
// file is flushed once, at its end (--flush-ms: as often as a player's,
// by the real clock, for a test of the files' checks).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio.h"
#include "bench/autoplayer.h"
#include "data/files.h"
#include "data/preferences.h"
#include "game/state.h"
#include "platform/headless_backend.h"
#include "platform/keyboard.h"
#include "platform/timing.h"
#include "powers/powers.h"
#include "replay/format.h"
#include "replay/recorder.h"
#include "shell/program.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
using shell::State;

int flushMs = INT_MAX;

// What a scenario does in play, in order. Each waits for a new piece and
// for the run to have reached `after` (a mark, see ScenarioPlayer::Note);
// then a power, or stacking, waits for the meter to hold `pieces` cells,
// the others for `pieces` more pieces since the act before.
enum class Do {
    Power,      // the power of that cost
    Stack,      // pieces dropped where they come in until the middle of the well is filled
    Lose,       // pieces dropped where they come in until the game is over
    Pause, LoseFocus, Hide, F11, LeaveNo, LeaveYes
};
struct Act {
    Do what;
    int pieces = 0;  // or the meter's cells
    const char* after = "";
};

struct Scenario {
    const char* name;
    uint64_t seed;
    int levelsOpen = 1;         // the player's preferences: as a player who opened that many levels
    bool phrase = false;        // the clipboard holds the access phrase
    std::vector<int> menu;      // main menu entries chosen in turn (1 New Game, 2 Options), then 5 Exit
    int level = 1;              // chosen at the level select
    std::vector<int> options;   // options screen entries changed, each once
    std::vector<Act> acts;
    int levels = LevelCount;    // levels completed before the window is closed in the next level's intro
    std::vector<int> bombPath;  // columns the bomb is steered to in turn before it is dropped
    std::vector<int> bombRows;  // for each, the row the bomb is first taken down to (none: the top)
    std::vector<std::string> reaches;  // marks the run must reach
};

const std::vector<Scenario> Scenarios = {
    {.name = "sweep", .seed = 3, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Power, 2}, {Do::LeaveYes, 2}}, .reaches = {"Sweep"}},
    {.name = "rain", .seed = 4, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Power, 3}, {Do::LeaveYes, 2}}, .reaches = {"Rain"}},
    {.name = "airstone", .seed = 5, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Power, 4}, {Do::LeaveYes, 2}}, .reaches = {"Airstone"}},
    {.name = "holycross", .seed = 6, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Stack, 5}, {Do::Power, 5, "the middle of the well filled"}, {Do::LeaveYes, 2}},
     .reaches = {"HolyCross"}},
    {.name = "bomb", .seed = 7, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Power, 6}, {Do::LeaveYes, 2}}, .bombPath = {7, 1},
     .reaches = {"Bomb", "bomb steered right", "bomb steered left"}},
    {.name = "bomb-blocked", .seed = 16, .levelsOpen = 3, .menu = {1}, .level = 3,
     .acts = {{Do::Stack, 6}, {Do::Power, 6, "the middle of the well filled"}, {Do::LeaveYes, 2}},
     .bombPath = {9, 0}, .bombRows = {0, 9}, .reaches = {"Bomb", "bomb held against a block"}},
    {.name = "cascade", .seed = 5, .menu = {1}, .acts = {{Do::LeaveYes, 3, "cascade"}}, .reaches = {"cascade"}},
    {.name = "horizontals-verticals", .seed = 9, .levelsOpen = 6, .menu = {1}, .level = 5, .levels = 2,
     .reaches = {"complete: horizontals", "complete: verticals", "NextLevel", "a line that does not count"}},
    {.name = "diagonals", .seed = 10, .levelsOpen = 8, .menu = {1}, .level = 8, .levels = 1,
     .reaches = {"complete: diagonals", "a line that does not count"}},
    {.name = "game-over", .seed = 11, .menu = {1}, .acts = {{Do::Lose, 0, "a best player's score"}},
     .reaches = {"GameOver", "NameEntry", "BestPlayers"}},
    {.name = "finale", .seed = 12, .levelsOpen = LevelCount, .phrase = true, .menu = {1}, .level = 28,
     .reaches = {"complete: all directions", "Finale"}},
    {.name = "options", .seed = 13, .menu = {2, 1}, .options = {1, 2, 3, 4}, .acts = {{Do::LeaveYes, 8}},
     .reaches = {"options changed"}},
    {.name = "pause-focus", .seed = 14, .menu = {1},
     .acts = {{Do::Pause, 2}, {Do::LoseFocus, 2}, {Do::Hide, 1}, {Do::LeaveYes, 2}},
     .reaches = {"paused", "paused by the focus lost", "window hidden"}},
    {.name = "leave-f11", .seed = 15, .menu = {1},
     .acts = {{Do::F11, 1}, {Do::LeaveNo, 1}, {Do::F11, 1}, {Do::LeaveYes, 2}},
     .reaches = {"went on: N", "left the game: Y", "F11"}},
};

// The player: answers each screen as it comes, plays the well, does the
// scenario's acts, and notes what the run reaches.
class ScenarioPlayer {
public:
    ScenarioPlayer(const Scenario& s, HeadlessBackend& machine)
        : s_(s), m_(machine), menu_(s.menu.begin()), act_(s.acts.begin()) {}

    void Entered(State state) {
        const State before = state_;
        state_ = state;
        Note(shell::StateName(state));
        // Runs cleared, what stood above fell, and new runs clear.
        if (state == State::Clear && recent_ == std::array{State::Clear, State::Settle, State::Resolve} && ScoringOn)
            Note("cascade");
        recent_ = {recent_[1], recent_[2], state};
        if (state == State::Settle && before == State::Clear) NoteLines();
        if (before == State::Options && Options() != options_) Note("options changed");
        if (before == State::ExitConfirm) Note(state == State::MainMenu ? "left the game: Y" : "went on: N");
        const int32_t now = m_.TickCount();
        switch (state) {
        case State::MainMenu: {
            const int entry = menu_ != s_.menu.end() ? *menu_++ : 5;
            for (int i = 1; i < entry; ++i) Tap(600 + 300 * i, VK_DOWN);
            Tap(900 + 300 * entry, VK_RETURN);
            break;
        }
        case State::LevelSelect:
            for (int i = 0; i < (s_.level - 1) % 6; ++i) Tap(600 + 300 * i, VK_RIGHT);
            for (int i = 0; i < (s_.level - 1) / 6; ++i) Tap(2400 + 300 * i, VK_DOWN);
            Tap(4200, VK_RETURN);
            break;
        case State::Options: {
            options_ = Options();
            int at = 1, t = 600;
            for (int entry : s_.options) {
                for (; at < entry; ++at) Tap(t += 400, VK_DOWN);
                Tap(t += 400, VK_RETURN);
            }
            Tap(t + 800, VK_ESCAPE);
            break;
        }
        case State::NewGame:
        case State::NextLevel:
            if (completed_ >= s_.levels) m_.CloseAt(now + 2000);
            else if (completed_ % 2 == 0) Tap(1500, VK_ESCAPE);  // every other intro skipped
            break;
        case State::PieceControl: newPiece_ = before == State::Resolve; break;
        case State::CompleteLevel:
            Note(std::string("complete: ") + DirectionNames[CurrentRow().Directions]);
            ++completed_;
            Tap(5000, VK_RETURN);
            break;
        case State::ExitConfirm: Tap(1500, leaving_ ? VkLetter('Y') : VkLetter('N')); break;
        case State::GameOver: Tap(4000, VK_ESCAPE, 300); break;
        case State::NameEntry:
            m_.TypeAt(now + 800, "Corpus");
            Tap(2500, VK_RETURN);
            break;
        case State::BestPlayers: Tap(3000, VK_ESCAPE); break;
        case State::Finale: Tap(8000, VK_ESCAPE); break;
        case State::Bomb: bombStep_ = 0; break;
        default: break;
        }
    }

    // Every pass of the game's loop. Keys change only here, within a pass,
    // where the recording sees them.
    void Yield() {
        const int32_t now = m_.TickCount();
        if (DisplayLost) Note("window hidden");
        if (state_ == State::PieceControl) {
            if (std::exchange(newPiece_, false)) NewPiece(now);
            if (GetKeyState(VkLetter('P')) == 1) Note(focusLost_ ? "paused by the focus lost" : "paused");
            if (now >= busyUntil_ && !losing_ && !stacking_) autoplayer::Drive(now);
        }
        if (state_ == State::Bomb) SteerBomb();
    }

    const std::set<std::string>& Marks() const { return marks_; }
    const std::string& Path() const { return path_; }

private:
    static constexpr const char* DirectionNames[] = {"all directions", "horizontals", "verticals", "diagonals"};

    static std::vector<int> Options() { return {MusicOn, SoundOn, Difficulty, RotationMode}; }

    // What the run has reached, noted once each, in order.
    void Note(const std::string& mark) {
        if (marks_.insert(mark).second) path_ += (path_.empty() ? "" : ", ") + mark;
    }

    void Tap(int32_t after, int vk, int32_t hold = 80) { m_.TapAt(m_.TickCount() + after, vk, hold); }

    // A clear that made lines the level does not count (the quota not yet
    // met, where the lines over it would not count either).
    void NoteLines() {
        const int lines = Horizontals + Verticals + Diagonals;
        if (ScoringOn && LinesLeft > 0 && lines - lines_ > left_ - LinesLeft) Note("a line that does not count");
        lines_ = lines;
        left_ = LinesLeft;
    }

    void NewPiece(int32_t now) {
        lines_ = Horizontals + Verticals + Diagonals;
        left_ = LinesLeft;
        ++pieces_;
        if (Score > ScoreValues[ScoreEntries - 1]) Note("a best player's score");
        if (!Well[4][7].Empty || !Well[5][7].Empty) {
            Note("the middle of the well filled");
            stacking_ = false;
        }
        if (losing_ || stacking_) return Tap(300, VK_SPACE, 200);
        autoplayer::NewPiece(now, pieces_);
        if (act_ == s_.acts.end()) return;
        const Act& a = *act_;
        if (*a.after && !marks_.count(a.after)) {
            lastAct_ = pieces_;
            return;
        }
        const bool meter = a.what == Do::Power || a.what == Do::Stack;
        if (meter ? PowerMeter < a.pieces || (a.what == Do::Power && a.pieces == 4 && powers::CountStones() == 0)
                  : pieces_ - lastAct_ < a.pieces)
            return;
        ++act_;
        lastAct_ = pieces_;
        busyUntil_ = now + 3000;  // the act takes this piece
        switch (a.what) {
        case Do::Power: Tap(500, VkDigit(a.pieces)); break;
        case Do::Stack: stacking_ = true; break;
        case Do::Lose: losing_ = true; break;
        case Do::Pause:
            Tap(500, VkLetter('P'));
            Tap(2500, VkLetter('P'));
            break;
        case Do::LoseFocus:
            focusLost_ = true;
            m_.LoseFocusAt(now + 500);
            Tap(2500, VkLetter('P'));
            break;
        case Do::Hide:  // minimised while paused, and shown again
            Tap(300, VkLetter('P'));
            m_.SetUsableAt(now + 600, false);
            m_.SetUsableAt(now + 1800, true);
            Tap(2500, VkLetter('P'));
            break;
        case Do::F11:
            Note("F11");
            Tap(500, VK_F11);
            busyUntil_ = now;
            break;
        case Do::LeaveNo:
        case Do::LeaveYes:
            leaving_ = a.what == Do::LeaveYes;
            Tap(500, VK_ESCAPE);
            break;
        }
    }

    // Down until the bomb is in the well (or at the step's row), then to
    // each column of the path in turn, then Space.
    void SteerBomb() {
        const int column = powers::BombX / CellSize, row = powers::BombY / CellSize;
        const auto rowOf = [&](size_t step) { return step < s_.bombRows.size() ? s_.bombRows[step] : 0; };
        bool there = powers::BombY >= 0 && row >= rowOf(bombStep_);
        if (there && bombStep_ < s_.bombPath.size() && column == s_.bombPath[bombStep_])
            there = row >= rowOf(++bombStep_);
        const int target = bombStep_ < s_.bombPath.size() ? s_.bombPath[bombStep_] : column;
        const auto hold = [](int vk, bool held) { held ? PressKey(vk) : ReleaseKey(vk); };
        hold(VK_DOWN, !there);
        hold(VK_RIGHT, there && column < target);
        hold(VK_LEFT, there && column > target);
        hold(VK_SPACE, there && bombStep_ == s_.bombPath.size());
        const int beside = column + (column < target ? 1 : -1);
        if (there && column != target && beside >= 0 && beside < WellColumns && !Well[beside][row].Empty)
            Note("bomb held against a block");
        if (lastBombColumn_ >= 0 && column != lastBombColumn_)
            Note(column > lastBombColumn_ ? "bomb steered right" : "bomb steered left");
        lastBombColumn_ = column;
    }

    const Scenario& s_;
    HeadlessBackend& m_;
    std::vector<int>::const_iterator menu_;
    std::vector<Act>::const_iterator act_;
    State state_ = State::Shutdown;
    std::array<State, 3> recent_{};  // the states before this one
    std::string path_;
    std::set<std::string> marks_;
    std::vector<int> options_;
    int pieces_ = 0, lastAct_ = 0, completed_ = 0, lines_ = 0, left_ = 0, lastBombColumn_ = -1;
    size_t bombStep_ = 0;
    int32_t busyUntil_ = 0;
    bool newPiece_ = false, leaving_ = false, losing_ = false, stacking_ = false, focusLost_ = false;
};

// The machine a scenario plays on: the headless window with a fixed seed;
// while a piece or the bomb falls the player looks every 20 ms, so the
// clock never jumps further then.
struct ScenarioMachine : HeadlessBackend {
    uint64_t seed = 0;
    bool glancing = false;
    uint64_t RandomSeed() override { return seed; }
    void ProcessEvents() override {
        if (glancing) WakeBy(TickCount() + 20);
        HeadlessBackend::ProcessEvents();
    }
};

// A recorded run's inputs given to the game again, pass by pass: the clock
// moves as it did, and each pass leaves the keys, the name field, the focus
// and the window as they were then. A game that takes other turns still
// gets them in that order; when they run out, the window closes.
class ReportMachine : public HeadlessBackend {
public:
    struct Pass {
        uint32_t ms = 0;
        bool closed = false, focusLost = false;
        std::vector<uint64_t> keys;  // as a Key record holds them
        std::optional<std::string> text;
        std::optional<bool> usable;  // a change after the pass
    };
    uint64_t seed = 0;
    std::string clipboard;
    std::vector<std::pair<std::string, std::string>> loads;  // the player's files as they were read
    std::vector<Pass> passes;

    uint64_t RandomSeed() override { return seed; }
    std::string ClipboardText() override { return clipboard; }
    bool TakeFocusLoss() override { return std::exchange(focusLost_, false); }
    bool DisplayUsable() override { return usable_; }
    void ProcessEvents() override { Next([this] { HeadlessBackend::ProcessEvents(); }); }
    void Idle() override { Next([this] { HeadlessBackend::Idle(); }); }

private:
    template <typename Base>
    void Next(Base base) {
        if (next_ == passes.size()) throw ProgramEnded{};
        const Pass& p = passes[next_++];
        if (p.closed) {
            SetTime(TickCount() + int32_t(p.ms));
            throw ProgramEnded{};
        }
        SetStepMs(int32_t(p.ms));
        base();
        for (uint64_t key : p.keys) SetKeyState(int(key / 4), key & 2, key & 1);
        if (p.text) NameField().text = *p.text;
        focusLost_ = focusLost_ || p.focusLost;
        usable_ = p.usable.value_or(usable_);
    }
    size_t next_ = 0;
    bool focusLost_ = false, usable_ = true;
};

// The inputs of the replay in file, or nothing after a line on stderr.
std::optional<ReportMachine> InputsOf(const std::string& file) {
    const replay::ReadResult read = replay::ReadRecording(data::ReadWholeFile(file, replay::MaxStream));
    if (!read.recording) {
        std::fprintf(stderr, "record_replays: %s: %s; not recorded again\n", file.c_str(), read.trouble.c_str());
        return std::nullopt;
    }
    ReportMachine m;
    m.passes.emplace_back();  // what comes before the first pass
    const std::string& records = read.recording->records;
    for (replay::Decoder d(records); !d.AtEnd();) {
        ReportMachine::Pass& p = m.passes.back();
        switch (const auto tag = replay::Tag(d.Byte())) {
        case replay::Tag::Yield:
        case replay::Tag::Idle:
        case replay::Tag::Closed:
            m.passes.push_back({.ms = uint32_t(d.Varint()), .closed = tag == replay::Tag::Closed});
            break;
        case replay::Tag::Key: p.keys.push_back(d.Varint()); break;
        case replay::Tag::Text: p.text = d.String(); break;
        case replay::Tag::FocusLost: p.focusLost = true; break;
        case replay::Tag::Usable: p.usable = d.Byte() != 0; break;
        case replay::Tag::Clipboard: m.clipboard = d.String(); break;
        case replay::Tag::Seed: m.seed = d.Varint(); break;
        case replay::Tag::Load: {
            std::string name = d.String(), text = d.String();
            if (fs::path(name).filename() == name) m.loads.emplace_back(std::move(name), std::move(text));
            break;
        }
        default: replay::SkipRecord(tag, d);  // what the game made of them: saves, states, the end
        }
    }
    m.passes.erase(m.passes.begin());  // nothing happens before the first pass
    return m;
}

// Runs the program on machine, recorded into file (through the scratch
// folder's replays); the run, or nothing when no file was kept.
std::optional<shell::RunSummary> RecordRun(HeadlessBackend& machine, const std::string& gameDir,
                                           const std::string& scratch, const std::string& file) {
    ResetKeyboard();
    const auto recorder = replay::Recorder::Start(machine, scratch + "/replays", gameDir, flushMs);
    if (!recorder) return std::nullopt;
    Use(recorder.get());
    shell::RunProgram();
    const shell::RunSummary run = shell::LastRun();
    recorder->Finish(run);
    Use(nullptr);
    audio::AudioShutdown();
    std::error_code failed;
    fs::copy_file(recorder->Path(), file, fs::copy_options::overwrite_existing, failed);
    if (failed) {  // a run with under 5 s of play is not kept
        std::fprintf(stderr, "record_replays: %s: %s\n", file.c_str(), failed.message().c_str());
        return std::nullopt;
    }
    std::printf("%s: %ju bytes, level %d, score %d, %.1f s of play, ended: %s\n", file.c_str(),
                uintmax_t(fs::file_size(file)), run.levels, run.score, run.playMs / 1000.0, run.how.c_str());
    return run;
}

bool RecordScenario(const Scenario& s, const std::string& gameDir, const std::string& scratch,
                    const std::string& out) {
    if (s.levelsOpen > 1) {  // saved by the game itself, as after a level
        data::Preferences("load");
        LevelsUnlocked = uint8_t(s.levelsOpen);
        data::Preferences("save");
    }
    ScenarioMachine machine;
    machine.seed = s.seed;
    machine.SetSleeps(true);
    machine.SetClipboard(s.phrase ? AccessPhrase : "");
    machine.CloseAt(20 * 60 * 1000);  // a run gone astray ends
    ScenarioPlayer player(s, machine);
    shell::OnStateEntered = [&](State state) {
        machine.glancing = state == State::PieceControl || state == State::Bomb;
        player.Entered(state);
    };
    machine.onYield = [&] { player.Yield(); };
    autoplayer::FirePowers = false;  // the scenario fires its own
    const bool kept = RecordRun(machine, gameDir, scratch, out + "/" + s.name + ".zrp").has_value();
    std::printf("  %s\n", player.Path().c_str());
    bool reached = kept;
    for (const std::string& mark : s.reaches)
        if (!player.Marks().count(mark)) {
            std::fprintf(stderr, "record_replays: %s does not reach \"%s\"\n", s.name, mark.c_str());
            reached = false;
        }
    return reached;
}

bool RecordReport(const std::string& source, const std::string& gameDir, const std::string& scratch,
                  const std::string& out) {
    std::optional<ReportMachine> machine = InputsOf(source);
    if (!machine) return false;
    for (auto& [name, text] : machine->loads) {  // the player's files, scrambled as the game keeps them
        std::string bytes = text;
        data::ScrambleBytes(bytes, DataKey);
        data::WriteFileAtomically(data::UserFile(name), bytes);
    }
    return RecordRun(*machine, gameDir, scratch, out + "/" + fs::path(source).filename().string()).has_value();
}

// One recording in a process of its own, as a replay is checked: nothing
// of a run's statics reaches the next. Whether it went well.
bool InChild(const std::function<bool(const std::string& scratch)>& record, const std::string& gameDir) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        char pattern[] = "/tmp/zintari-corpus-XXXXXX";
        const std::string scratch = mkdtemp(pattern);
        fs::create_directories(scratch + "/user");
        bool done = false;
        try {
            data::SetFolders(gameDir, scratch + "/user", data::MakeTempFolder());
            done = record(scratch);
        } catch (const data::FatalError& e) {  // a file that cannot be read, the disk full
            std::fprintf(stderr, "record_replays: %s; not recorded\n", e.what());
        }
        fs::remove_all(scratch);
        std::fflush(stdout);
        std::_Exit(done ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int named = 3;
    if (argc > 4 && std::string(argv[3]) == "--flush-ms") flushMs = std::max(1, std::atoi(argv[4])), named = 5;
    if (argc < 3 || !fs::is_directory(argv[1]) || !fs::is_directory(argv[2])) {
        std::fprintf(stderr, "usage: record_replays GAME_DIR OUT_DIR [--flush-ms MS] [NAME...] (two folders)\n");
        return 2;
    }
    const std::string gameDir = argv[1], out = argv[2], reports = out + "/reports";
    const std::set<std::string> only(argv + named, argv + argc);
    auto wanted = [&](const std::string& name) { return only.empty() || only.count(name); };
    int failed = 0;
    for (const Scenario& s : Scenarios)
        if (wanted(s.name))
            failed += !InChild([&](const std::string& scratch) { return RecordScenario(s, gameDir, scratch, out); },
                               gameDir);
    std::error_code none;
    std::vector<fs::path> sources;
    for (const auto& f : fs::directory_iterator(reports, none))
        if (f.path().extension() == ".zrp" && wanted(f.path().stem().string())) sources.push_back(f.path());
    std::sort(sources.begin(), sources.end());
    for (const fs::path& source : sources)
        failed += !InChild([&](const std::string& scratch) { return RecordReport(source, gameDir, scratch, out); },
                           gameDir);
    return failed ? 1 : 0;
}
