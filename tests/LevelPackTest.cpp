#include <regex>
#include <set>

#include "LevelFolder.h"

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

bool open(char cell) {
    return cell == ' ' || cell == 'o' || cell == 'E' || cell == 'P';
}

// A designed level: walls of '#' only, every open cell enclosed, at most one
// cell in ten a wall that touches no open cell, and no more than 60 x 20.
void expectDesigned(const std::string& name, const std::vector<std::string>& rows) {
    const auto at = [&](int x, int y) {
        return y < 0 || y >= int(rows.size()) || x < 0 || x >= int(rows[y].size()) ? '\0'
                                                                                   : rows[y][x];
    };
    int cells = 0, dead = 0;
    for (int y = 0; y < int(rows.size()); ++y) {
        EXPECT_LE(rows[y].size(), 60U) << name;
        for (int x = 0; x < int(rows[y].size()); ++x, ++cells) {
            std::string around;
            for (int i = 0; i < 9; ++i) around += at(x + i % 3 - 1, y + i / 3 - 1);
            dead += std::none_of(around.begin(), around.end(), open);
            EXPECT_TRUE(open(rows[y][x]) ? around.find('\0') == std::string::npos
                                         : rows[y][x] == '#')
                << name << " at " << x << "," << y;
        }
    }
    EXPECT_LE(rows.size(), 20U) << name;
    EXPECT_LE(dead * 10, cells) << name << ": " << dead << " dead walls";
}

// The shipped levels: every one keeps the marks of a designed level, can be
// finished as the README's table says, and its solution wins the real game;
// the pack climbs steadily to hard.
TEST(LevelPack, KeepsItsMarks) {
    const LevelFolder folder;
    std::string files;
    int count = 0;
    for (std::string file; std::filesystem::exists(
             SOURCE_DIR "/" + (file = "levels/" + std::to_string(count + 1) + ".txt"));
         ++count) {
        const std::string text = readFile(SOURCE_DIR "/" + file);
        expectDesigned(file, split(text.substr(0, text.find("\n\n")), '\n'));
        files += " " + file;
    }
    ASSERT_GE(count, 25);
    ASSERT_EQ(folder.run("cd '" SOURCE_DIR "' && timeout 900 '" CHECK_BINARY "' --table" + files),
              0);
    const std::vector<std::string> report = split(folder.read("stdout"), '\n');
    const std::string readme = readFile(SOURCE_DIR "/README.md");
    std::string keys;
    std::set<std::string> names;
    for (int level = 1, before = 0; level <= count; ++level) {
        const auto f = split(report.at(level), '\t');  // moves, pushes, dead ends at 8, 9 and 11
        const int pushes = std::stoi(f[9]);
        std::smatch row;
        ASSERT_TRUE(
            std::regex_search(readme, row,
                              std::regex("\\n\\| " + std::to_string(level) + " \\| ([^|]+) \\| " +
                                         f[8] + " \\| " + f[9] + " \\| " + f[11] + "% \\|\\n")))
            << "README row for level " << level;
        EXPECT_TRUE(names.insert(row[1]).second) << "two levels named " << row[1];
        EXPECT_EQ(f[12], "0") << "floor that no play reaches in level " << level;
        // No easier than the one before from 6 on, half dead ends from 10 on, the last five hard.
        EXPECT_TRUE((level < 6 || pushes >= std::exchange(before, pushes)) &&
                    (level < 10 || std::stod(f[11]) >= 50) && (level <= count - 5 || pushes >= 40))
            << "level " << level << " breaks the climb";
        keys += f[13];
    }
    folder.write("keys", keys);
    EXPECT_EQ(folder.run("cat keys | (cd '" SOURCE_DIR "' && timeout 120 '" CAIRN_BINARY "')"), 0);
    const std::string played = folder.read("stdout");
    EXPECT_EQ(played.substr(played.size() - 16), "Gratz, you won!\n");
}

}  // namespace
