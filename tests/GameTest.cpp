#include "LevelFolder.h"

namespace {

struct GameCase {
    const char* name;
    std::map<std::string, std::string> levels;
    std::string keys;
    std::string output;  // frames split by '|', rows by '/'; a part in quotes is a message line
    std::string arguments{};
    int status = 0;
    std::string errors{};
};

const std::string usage = "usage: cairn [--from N] [--levels DIR] [--help] [--version]\n";
const std::map<std::string, std::string> three = {
    {"1.txt", "PE\n1\n"}, {"2.txt", "PE\n2\n"}, {"3.txt", "PE\n3\n"}};

// Expands the shorthand of a case's output into what the game prints.
std::string printed(const std::string& shorthand) {
    std::string text;
    std::stringstream parts(shorthand);
    for (std::string part; std::getline(parts, part, '|');) {
        if (part.front() == '"') {
            text += part.substr(1, part.size() - 2) + "\n";
            continue;
        }
        std::replace(part.begin(), part.end(), '/', '\n');
        text += frameOf(part + "\n");
    }
    return text;
}

const std::string walk = "#P E#\n";

const GameCase gameCases[] = {
    {"WalkToExit", {{"1.txt", walk}}, "dD", R"(#P E#|# PE#|#  P#|"Gratz, you won!")"},
    {"OtherKeysOnlyRedraw",
     {{"1.txt", walk}},
     "x \n\x1b[C5",
     R"(#P E#|#P E#|#P E#|#P E#|#P E#|#P E#|"Bye!")"},
    {"GapEndsDiscovery",
     {{"1.txt", "PE\n1\n"}, {"2.txt", "PE\n2\n"}, {"3.txt", "PE\n3\n"}, {"5.txt", "PE\n5\n"}},
     "ddd",
     R"(PE/1| P/1|PE/2| P/2|PE/3| P/3|"Gratz, you won!")"},
    {"RestartReloads",
     {{"1.txt", "#Po E#\n"}},
     "dRrd",
     R"(#Po E#|# PoE#|#Po E#|#Po E#|# PoE#|"Bye!")"},
    {"RestartLastThenWin",
     {{"1.txt", "PE\n"}, {"2.txt", "P E\n"}},
     "drdd",
     R"(PE| P|P E|P E| PE|  P|"Gratz, you won!")"},
    {"QuitSkipsTheRest", {{"1.txt", walk}, {"2.txt", walk}}, "Q", R"(#P E#|"Bye!")"},
    {"EndOfInputQuits", {{"1.txt", walk}}, "", R"(#P E#|"Bye!")"},
    {"EmptyLevelSkipped",
     {{"1.txt", ""}, {"2.txt", "PE"}},
     "d",
     R"("levels/1.txt is empty!"|PE| P|"Gratz, you won!")"},
    {"StartOnExit", {{"1.txt", "E \n"}}, "", R"(P |"Gratz, you won!")"},
    {"NoLevelOne", {{"0.txt", walk}, {"2.txt", walk}}, "", R"("Gratz, you won!")"},
    {"FromLevelTwo", three, "dd", R"(PE/2| P/2|PE/3| P/3|"Gratz, you won!")", "--from 2"},
    {"FromPastTheEnd", three, "", R"("Gratz, you won!")", "--from 4"},
    {"OtherFolder", {}, "d", R"("mine/1.txt is empty!"|PE| P|"Gratz, you won!")", "--levels mine/"},
    {"Version", three, "", R"("cairn 1.0.0")", "--version"},
    {"FromZero", three, "", "", "--from 0", 2, usage},
    {"FromNotANumber", three, "", "", "--from 2x", 2, usage},
    {"FromTooBig", three, "", "", "--from 2147483648", 2, usage},
    {"FromWithoutNumber", three, "", "", "--from", 2, usage},
    {"LevelsWithoutFolder", three, "", "", "--levels", 2, usage},
    {"UnknownOption", three, "", "", "-x", 2, usage},
    {"Argument", three, "", "", "levels/1.txt", 2, usage},
};

// The game under test: the one built here, or another build of it named in
// CAIRN_GAME, such as the Windows one under wine, whose newlines are CR LF.
std::string game() {
    const char* const other = std::getenv("CAIRN_GAME");
    return other != nullptr ? other : "'" CAIRN_BINARY "'";
}

std::string printedBy(const LevelFolder& folder, const std::string& file) {
    std::string text = folder.read(file);
    if (std::getenv("CAIRN_GAME") == nullptr) return text;
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

class Game : public testing::TestWithParam<GameCase> {};

TEST_P(Game, PlaysKeysFromAPipe) {
    const auto& c = GetParam();
    const LevelFolder folder(c.levels);
    std::filesystem::create_directory(folder.path("mine"));
    folder.write("mine/1.txt", "");
    folder.write("mine/2.txt", "PE\n");
    folder.write("keys", c.keys);
    EXPECT_EQ(folder.run("cat keys | timeout 60 " + game() + " " + c.arguments), c.status);
    EXPECT_EQ(printedBy(folder, "stdout"), printed(c.output));
    EXPECT_EQ(printedBy(folder, "stderr"), c.errors);
}

TEST(Game, HelpGoesToStandardOutput) {
    const LevelFolder folder({});
    EXPECT_EQ(folder.run("'" CAIRN_BINARY "' --help < /dev/null"), 0);
    EXPECT_EQ(folder.read("stderr"), "");
    EXPECT_EQ(folder.read("stdout").substr(0, usage.size() + 1), usage + "\n");
    EXPECT_NE(folder.read("stdout").find("--from N"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Campaigns, Game, testing::ValuesIn(gameCases), ByName());

}  // namespace

namespace {

// A big level goes through the game byte for byte: each frame is the level
// file itself, with the player and the boulder where the keys took them.
TEST(BigLevel, FramesMatchTheFileByteForByte) {
    constexpr std::size_t size = 2000;
    std::string level;
    for (std::size_t y = 0; y < size; ++y) {
        for (std::size_t x = 0; x < size; ++x) {
            const bool wall = x == 0 || y == 0 || x == size - 1 || y == size - 1 ||
                              (y > 2 && (x * 7 + y) % 9 == 0);
            level += wall                             ? '#'
                     : y > 2 && (x + y) % 17 == 0     ? 'o'
                     : y == size - 2 && x == size - 2 ? 'E'
                                                      : ' ';
        }
        level += '\n';
    }
    const auto at = [](std::size_t x) { return (size + 1) + x; };  // a cell of row 1
    level.replace(at(1), 3, "P o");
    std::string afterStep = level, afterPush = level;
    afterStep.replace(at(1), 2, " P");
    afterPush.replace(at(1), 4, "  Po");
    const LevelFolder folder({{"1.txt", level}});
    folder.write("keys", "dd");
    EXPECT_EQ(folder.run("cat keys | '" CAIRN_BINARY "'"), 0);
    EXPECT_TRUE(folder.read("stdout") ==
                frameOf(level) + frameOf(afterStep) + frameOf(afterPush) + "Bye!\n");
}

}  // namespace
