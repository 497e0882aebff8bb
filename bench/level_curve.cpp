// level_curve GAME_DIR [--games N] [--seed S] [--seeds K] [--difficulty 1|2|3]
// Plays N games of every level for each of the seeds S to S+K-1 headlessly
// with the autoplayer, and prints a table of losses and pieces needed per
// level. The game's invariants are checked all along, as in the soak.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include "autoplayer.h"
#include "game/state.h"
#include "tests/soak/play.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: level_curve GAME_DIR [--games N] [--seed S] [--seeds K] [--difficulty 1|2|3]\n");
        return 2;
    }
    int games = 1, seeds = 1, difficulty = 2;
    uint64_t seed = 1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string a = argv[i], v = argv[i + 1];
        if (a == "--games") games = std::atoi(v.c_str());
        else if (a == "--seed") seed = std::strtoull(v.c_str(), nullptr, 10);
        else if (a == "--seeds") seeds = std::atoi(v.c_str());
        else if (a == "--difficulty") difficulty = std::atoi(v.c_str());
    }
    if (difficulty < 1 || difficulty > 3) {
        std::fprintf(stderr, "level_curve: difficulty 1 to 3\n");
        return 2;
    }
    const soak::Driver driver{autoplayer::NewPiece, autoplayer::Drive, autoplayer::DriveBomb};
    std::map<int, std::pair<int, int>> wins, losses;  // level: games, pieces
    try {
        soak::Session session(argv[1], difficulty);
        int won = 0, played = 0;
        for (uint64_t s = seed; s < seed + uint64_t(seeds); ++s)
            for (int g = 0; g < games * LevelCount; ++g) {
                const soak::Outcome o = session.PlayLevel(g % LevelCount, s * 1000 + uint64_t(g), driver);
                auto& bucket = o.won ? wins[g % LevelCount] : losses[g % LevelCount];
                ++bucket.first, ++played, won += o.won;
                bucket.second += o.pieces;
            }
        std::printf("%d games at difficulty %d, %d won, %d lost, %.1f minutes of play\n", played, difficulty, won,
                    played - won, session.Now() / 60000.0);
    } catch (const std::exception& e) {  // a broken invariant, or the game's files
        std::fprintf(stderr, "level_curve: %s\n", e.what());
        return 1;
    }
    std::printf("| Level | Title | Games | Lost | Pieces to finish |\n|---|---|---|---|---|\n");
    for (int l = 0; l < LevelCount; ++l) {
        const auto [w, wp] = wins[l];
        const int lost = losses[l].first;
        std::printf("| %d | %s | %d | %d%% | %s |\n", l + 1, LevelTable[l].Title.c_str(), w + lost,
                    w + lost ? 100 * lost / (w + lost) : 0, w ? std::to_string(wp / w).c_str() : "-");
    }
    return 0;
}
