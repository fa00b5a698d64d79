#include <gtest/gtest.h>
#include <sys/wait.h>

#include "LevelFolder.h"

namespace {

struct Played {
    std::string output;
    int status;
};

// Runs the real game in folder with keys fed through a pipe.
Played play(const LevelFolder& folder, const std::string& keys) {
    folder.write("keys", keys);
    const std::string command =
        "cd '" + folder.file("") + "' && cat keys | '" CAIRN_BINARY "' > output";
    const int status = std::system(command.c_str());
    return {folder.read("output"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

struct GameCase {
    const char* name;
    std::map<std::string, std::string> levels;
    std::string keys;
    std::string output;
};

const std::string won = "Gratz, you won!\n";
const std::string bye = "Bye!\n";
const std::string walk = "#P E#\n";

const GameCase gameCases[] = {
    {"WalkToExit",
     {{"1.txt", walk}},
     "dd",
     frameOf("#P E#\n") + frameOf("# PE#\n") + frameOf("#  P#\n") + won},
    {"UpperCaseKeys",
     {{"1.txt", walk}},
     "DD",
     frameOf("#P E#\n") + frameOf("# PE#\n") + frameOf("#  P#\n") + won},
    {"OtherKeysOnlyRedraw",
     {{"1.txt", walk}},
     "x \n\x1b[C5",
     frameOf("#P E#\n") + frameOf("#P E#\n") + frameOf("#P E#\n") + frameOf("#P E#\n") +
         frameOf("#P E#\n") + frameOf("#P E#\n") + bye},
    {"GapEndsDiscovery",
     {{"1.txt", "PE\n1\n"},
      {"2.txt", "PE\n2\n"},
      {"3.txt", "PE\n3\n"},
      {"5.txt", "PE\n5\n"}},
     "ddd",
     frameOf("PE\n1\n") + frameOf(" P\n1\n") + frameOf("PE\n2\n") + frameOf(" P\n2\n") +
         frameOf("PE\n3\n") + frameOf(" P\n3\n") + won},
    {"RestartReloads",
     {{"1.txt", "#Po E#\n"}},
     "drrd",
     frameOf("#Po E#\n") + frameOf("# PoE#\n") + frameOf("#Po E#\n") +
         frameOf("#Po E#\n") + frameOf("# PoE#\n") + bye},
    {"RestartLastThenWin",
     {{"1.txt", "PE\n"}, {"2.txt", "P E\n"}},
     "drdd",
     frameOf("PE\n") + frameOf(" P\n") + frameOf("P E\n") + frameOf("P E\n") +
         frameOf(" PE\n") + frameOf("  P\n") + won},
    {"QuitSkipsTheRest", {{"1.txt", walk}, {"2.txt", walk}}, "q", frameOf(walk) + bye},
    {"EndOfInputQuits", {{"1.txt", walk}}, "", frameOf(walk) + bye},
    {"EmptyLevelSkipped",
     {{"1.txt", ""}, {"2.txt", "PE"}},
     "d",
     "levels/1.txt is empty!\n" + frameOf("PE\n") + frameOf(" P\n") + won},
    {"StartOnExit", {{"1.txt", "E \n"}}, "", frameOf("P \n") + won},
    {"NoLevels", {}, "", won},
    {"OnlyLevelZero", {{"0.txt", walk}}, "", won},
};

class Game : public testing::TestWithParam<GameCase> {};

TEST_P(Game, PlaysThroughAPipe) {
    const auto& c = GetParam();
    const LevelFolder folder(c.levels);
    const Played run = play(folder, c.keys);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.status, 0);
}

INSTANTIATE_TEST_SUITE_P(Campaigns, Game, testing::ValuesIn(gameCases), ByName());

}  // namespace
