// The shipped text files: the quick help, the default preferences and the
// default best players, each scrambled.
#include <sstream>

#include "tools/content.h"

namespace content {

namespace {

std::string Quoted(const std::string& s) {
    if (s.find('"') != std::string::npos) Fail("a quoted text may not hold a double quote: " + s);
    return "\"" + s + "\"";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

}  // namespace

void MakeTexts(Context& ctx) {
    const auto help = Lines(ReadFile(ctx.sourceDir + "/data/qhelp.txt"));
    if (help.size() != 20) Fail("qhelp.txt must hold 20 lines");
    std::string qhelp;
    for (const auto& item : help) qhelp += Quoted(item) + "\r\n";
    Ship(ctx, "qhelp.znd", Scrambled(qhelp), Role::Looks);

    // Music on, sound on, Medium, colour rotation, one level open.
    Ship(ctx, "prefs.znd", Scrambled("1\r\n1\r\n2\r\n0\r\n1\r\n\"Rise and fall it is just so always\"\r\n"), Role::Rules);

    const auto players = Lines(ReadFile(ctx.sourceDir + "/data/scores.txt"));
    if (players.size() != 10) Fail("scores.txt must hold 10 players");
    std::string scores;
    for (const auto& p : players) {
        const size_t comma = p.rfind(',');
        if (comma == std::string::npos) Fail("scores.txt: expected name, score: " + p);
        scores += Quoted(p.substr(0, comma)) + "\r\n" + std::to_string(std::stol(p.substr(comma + 1))) + "\r\n";
    }
    Ship(ctx, "scores.znd", Scrambled(scores), Role::Rules);
}

}  // namespace content
