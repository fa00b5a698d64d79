#include <algorithm>

#include "LevelFolder.h"

namespace {

// Walls of '#' only, and every open cell enclosed: all eight neighbours exist.
bool enclosed(const std::vector<std::string>& rows) {
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            const bool open = std::string(" oEP").find(rows[y][x]) != std::string::npos;
            const bool edge =
                y == 0 || y + 1 == rows.size() || x == 0 ||
                x + 1 >= std::min({rows[y - 1].size(), rows[y].size(), rows[y + 1].size()});
            if (open ? edge : rows[y][x] != '#') return false;
        }
    }
    return true;
}

// The shipped levels: every one keeps the marks of a designed level and can be
// finished as the README's table says; from level 6 on the pack climbs in the
// lines it needs, and the search by lines, written apart from the solver,
// finds the same fewest lines. The browser test plays their solutions in the
// real game.
TEST(LevelPack, KeepsItsMarks) {
    const LevelFolder folder;
    std::string files;
    int count = 0;
    for (std::string file; std::filesystem::exists(
             SOURCE_DIR "/" + (file = "levels/" + std::to_string(count + 1) + ".txt"));
         ++count) {
        const std::string text = readFile(SOURCE_DIR "/" + file);
        EXPECT_TRUE(enclosed(split(text.substr(0, text.find("\n\n")), '\n'))) << file;
        files += " " + file;
    }
    ASSERT_GE(count, 25);
    ASSERT_EQ(folder.run("cd '" SOURCE_DIR "' && timeout 900 '" CHECK_BINARY "' --table" + files +
                         " && timeout 300 '" GEN_BINARY "' --lines" + files),
              0);
    const std::vector<std::string> report = split(folder.read("stdout"), '\n');
    const std::string readme = readFile(SOURCE_DIR "/README.md");
    for (int level = 1, before = 0; level <= count; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        // The columns are named in report[0].
        const auto f = split(report.at(level), '\t');
        const int lines = std::stoi(f[11]);
        // The README's row for the level ends in these figures.
        const std::string figures =
            " | " + f[8] + " | " + f[10] + " | " + f[11] + " | " + f[13] + "% |\n";
        const auto at = readme.find("\n| " + std::to_string(level) + " | ");
        ASSERT_NE(at, std::string::npos) << "no README row";
        const auto end = readme.find('\n', at + 1);
        EXPECT_EQ(readme.substr(end + 1 - figures.size(), figures.size()), figures) << "README row";
        EXPECT_EQ(report.at(count + level).rfind(f[0] + ": " + f[11] + " lines", 0), 0);
        // At most 20 x 60, a tenth dead wall, no floor that no play reaches; and the climb: from
        // 6 on a push at least and no fewer lines than the one before, half dead ends from 10 on,
        // at least 20 lines in each of the last five and 25 in the last.
        EXPECT_TRUE(std::stoi(f[1]) <= 20 && std::stoi(f[2]) <= 60 && std::stod(f[6]) <= 10 &&
                    f[14] == "0" &&
                    (level < 6 || (f[10] != "0" && lines >= std::exchange(before, lines))) &&
                    (level < 10 || std::stod(f[13]) >= 50) && (level + 5 <= count || lines >= 20) &&
                    (level < count || lines >= 25))
            << "breaks a mark";
    }
}

}  // namespace
