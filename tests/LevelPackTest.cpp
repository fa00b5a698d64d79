#include <fstream>
#include <regex>

#include "LevelFolder.h"

namespace {

// The shipped levels: every one can be finished, the README's table shows the
// checker's figures, and the solutions it finds win the real game.
TEST(LevelPack, EveryLevelFinishesAsTheReadmeSays) {
    const LevelFolder folder;
    std::string files;
    int count = 0;
    while (std::ifstream(SOURCE_DIR "/levels/" + std::to_string(count + 1) + ".txt")) {
        files += " levels/" + std::to_string(++count) + ".txt";
    }
    ASSERT_GE(count, 20);
    ASSERT_EQ(folder.run("cd '" SOURCE_DIR "' && timeout 600 '" CHECK_BINARY "'" + files), 0);
    const std::string report = folder.read("stdout");
    const std::string readme = readFile(SOURCE_DIR "/README.md");
    const std::regex figures(
        R"(solution: (\w*) \((\d+) moves?, (\d+) push(?:es)?\)\n.*\((.*)\)\n)");
    std::string keys;
    int level = 0;
    for (std::sregex_iterator it(report.begin(), report.end(), figures), end; it != end; ++it) {
        const auto& m = *it;
        keys += m[1];
        const std::regex row("\\n\\| " + std::to_string(++level) + " \\|[^\\n]*\\| " + m[2].str() +
                             " \\| " + m[3].str() + " \\| " + m[4].str() + " \\|\\n");
        EXPECT_TRUE(std::regex_search(readme, row)) << "README row for level " << level;
    }
    EXPECT_EQ(level, count);
    folder.write("keys", keys);
    EXPECT_EQ(folder.run("cat keys | (cd '" SOURCE_DIR "' && timeout 120 '" CAIRN_BINARY "')"), 0);
    const std::string played = folder.read("stdout");
    EXPECT_EQ(played.substr(played.size() - 16), "Gratz, you won!\n");
}

}  // namespace
