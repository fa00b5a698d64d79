#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>
#include <regex>

#include "Gamefield.h"
#include "LevelFolder.h"

namespace {

// Frames split by '|', rows by '/'; a part in quotes is a message line.
std::string shown(const std::string& shorthand) {
    std::string text;
    for (std::string part : split(shorthand, '|')) {
        std::replace(part.begin(), part.end(), '/', '\n');
        text += part.front() == '"' ? part.substr(1, part.size() - 2) + "\n" : frameOf(part + "\n");
    }
    return text;
}

std::string times(std::size_t count, const std::string& text) {
    std::string all;
    for (std::size_t i = 0; i < count; ++i) all += text;
    return all;
}

// Runs the game with descriptor N set non-blocking, as a careless parent may leave it.
const std::string nonBlocking =
    "python3 -c 'import os,sys; os.set_blocking(int(sys.argv[1]), False); "
    "os.execvp(sys.argv[2], sys.argv[2:])' ";

struct Run {
    const char* name;
    Files levels;
    std::string keys, output;
    std::string arguments{};
    int status = 0;
    std::string errors{};
    std::string command = "cat keys | GAME";
};

const auto one = [](const std::string& level) { return Files{{"1.txt", level}}; };

const std::string walk = "#P E#\n", won = shown(R"(#P E#|# PE#|#  P#|"Gratz, you won!")");
const std::string usage = "usage: cairn [--from N] [--levels DIR] [--help] [--version]\n";
const Files three = {{"1.txt", "PE\n1\n"}, {"2.txt", "PE\n2\n"}, {"3.txt", "PE\n3\n"}};

// The checker's figures without the solutions that have them, and those solutions.
const std::string figuresOnly = "sed 's/^\\(  fewest [a-z]*: [0-9]*\\), in .*/\\1/'";
const std::string routes = "sed -n 's/.*, in \\([wasd]*\\) .*/\\1/p'";

// A table's row with its tabs written as '|'.
std::string tabbed(std::string text) {
    std::replace(text.begin(), text.end(), '|', '\t');
    return text;
}

const std::string configure = "cmake -S '" SOURCE_DIR "' -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON";
const std::string checkUsage =
    "usage: cairn-check [--table] [--limit POSITIONS] [--memory MEGABYTES] FILE...\n";

// The game as a player or a script meets it, keys through a pipe; these rows
// also run against the Windows build.
const Run campaigns[] = {
    {"WalkToExitInCapitals", one(walk), "dD", won},
    {"OtherKeysOnlyRedraw", one(walk), "x \n\x1b[C\x1b[3~\x1b[?25h5",
     times(8, shown("#P E#")) + "Bye!\n"},
    // SS3, a sequence broken by a control byte, one longer than any known, one cut by the end.
    {"OddSequences", one(walk), "\x1bOQ\x1b[2\x01\x1b[" + std::string(31, '1') + "\x1b[1;",
     times(7, shown("#P E#")) + "Bye!\n"},
    {"EveryByteAsAKey", one(walk),
     [] {
         std::string all(256, 0);
         std::iota(all.begin(), all.end(), 0);
         return all;
     }(),
     times(69, shown("#P E#")) + times(13, shown("# PE#")) + "Bye!\n"},
    {"Push", one("#Po E#"), "dd", shown(R"(#Po E#|# PoE#|# PoE#|"Bye!")")},
    {"PushUpAndOffTopAndBottom", one(" \no\nP\n \no\n"), "wwsss",
     shown(R"( /o/P/ /o|o/P/ / /o|o/P/ / /o|o/ /P/ /o|o/ / /P/o|o/ / /P/o|"Bye!")")},
    {"PushIntoWallOrBoulder", one("#Po#\n# oo\n"), "dsd",
     shown(R"(#Po#/# oo|#Po#/# oo|# o#/#Poo|# o#/#Poo|"Bye!")")},
    {"PushOffLeftAndRight", one("oPo"), "ad", shown(R"(oPo|oPo|oPo|"Bye!")")},
    {"PushPastShorterRow", one("  \n o\n \n"), "ds", shown(R"(P / o/ | P/ o/ | P/ o/ |"Bye!")")},
    {"WalkEdgesAndRaggedRows", one(" \nP   \n   E\n"), "dwaawwsdddds",
     shown(R"( /P   /   E| / P  /   E| / P  /   E| /P   /   E| /P   /   E|P/    /   E|)"
           R"(P/    /   E| /P   /   E| / P  /   E| /  P /   E| /   P/   E| /   P/   E|)"
           R"( /    /   P|"Gratz, you won!")")},
    {"OtherBytesAreWalls", one("P\t0eO\x01\x80\x7f"), "d",
     shown("P\t0eO?\x80?|P\t0eO?\x80?|\"Bye!\"")},
    // Control bytes at both edges of the masked range, and an escape sequence that would set
    // the window title.
    {"ControlBytesMasked", one("\x1b]0;x\x07P\x01\x08\x0b\x1f\nab\x7f\n"), "",
     shown(R"(?]0;x?P????/ab?|"Bye!")")},
    // The last start marker of the lowest row wins; a CR ends a line only at its end.
    {"LoadRules", one("#P#\r\n#PP#P#\r\nPaP\rb\r\r\n\r\nP\n"), "",
     shown("# #/#  # #/ aP?b?|\"Bye!\"")},
    {"NoMarkerStartsTopLeft", one(" E"), "d", shown(R"(PE| P|"Gratz, you won!")")},
    {"StartOnExit", one("E \n"), "", shown(R"(P |"Gratz, you won!")")},
    {"LastLineWithoutNewline", one("PE\n\nx"), "d", shown(R"(PE| P|"Gratz, you won!")")},
    {"GapEndsDiscovery",
     {{"1.txt", "PE\n1"}, {"2.txt", "PE\n2"}, {"4.txt", "PE\n4"}},
     "dd",
     shown(R"(PE/1| P/1|PE/2| P/2|"Gratz, you won!")")},
    {"RestartReloads", one("#Po E#\n"), "dRrd",
     shown(R"(#Po E#|# PoE#|#Po E#|#Po E#|# PoE#|"Bye!")")},
    {"RestartFirstAndLast",
     {{"1.txt", "PE\n"}, {"2.txt", "P E\n"}},
     "rdrdd",
     shown(R"(PE|PE| P|P E|P E| PE|  P|"Gratz, you won!")")},
    {"QuitSkipsTheRest", {{"1.txt", walk}, {"2.txt", walk}}, "Q", shown(R"(#P E#|"Bye!")")},
    // Without options the game keeps to what it did, and says on the error stream where it looked.
    {"NoLevelOne",
     {{"0.txt", walk}, {"2.txt", walk}},
     "",
     "Gratz, you won!\n",
     "",
     0,
     "cairn: found no levels\n",
     "cat keys | GAME 2> log; cut -d: -f1-2 log >&2"},
    {"EmptyLevelsSkipped",
     {{"1.txt", ""}, {"2.txt", "\nPE"}, {"3.txt", "\r\nPE"}, {"4.txt", "PE"}},
     "d",
     "levels/1.txt is empty!\nlevels/2.txt is empty!\nlevels/3.txt is empty!\n" +
         shown(R"(PE| P|"Gratz, you won!")")},
    {"FromLevelTwo", three, "dd", shown(R"(PE/2| P/2|PE/3| P/3|"Gratz, you won!")"), "--from=2"},
    {"OtherFolder",
     {},
     "d",
     shown(R"(PE| P|"Gratz, you won!")"),
     "--levels=mine/",
     0,
     "",
     "mkdir mine && echo PE > mine/1.txt && cat keys | GAME"},
    // The null device is no console: it is an empty input, so the game ends at once.
    {"NullDeviceEndsAtOnce", one(walk), "", shown("#P E#") + "Bye!\n", "", 0, "",
     "GAME < /dev/null | head -c 4096"},
    {"Version", three, "", "cairn 1.0.0\n", "--version"},
    // A wrong option is named; an option that leaves nothing to play names the missing file.
    {"BadArguments", three, "", times(7, "2\n"), "", 0,
     "cairn: --from needs a level number from 1 to 2147483647, not '0'\n" + usage +
         "cairn: --from needs a level number from 1 to 2147483647, not '2147483648'\n" + usage +
         "cairn: --from needs a value\n" + usage + "cairn: unknown option --form\n" + usage +
         "cairn: unexpected argument levels/1.txt\n" + usage +
         "cairn: there is no nowhere/1.txt\ncairn: there is no levels/4.txt; the last level is "
         "levels/3.txt\n",
     "for a in '--from 0' '--from=2147483648' --from '--form 7' levels/1.txt '--levels nowhere' "
     "'--from 4'; do GAME $a < /dev/null; echo $?; done"},
};

const Run surroundings[] = {
    // The game when what is around it fails or misbehaves.
    // A folder where a level should be is reported; a link to nowhere ends the levels.
    {"FolderAndBrokenLink",
     {{"1.txt", walk}, {"3.txt", walk}, {"5.txt", "never"}},
     "dddd",
     shown("#P E#|# PE#|#  P#") + "levels/2.txt could not be read!\n" + won,
     "",
     0,
     "",
     "mkdir levels/2.txt; ln -s nowhere levels/4.txt; cat keys | GAME"},
    {"KeysLateOnNonBlockingInput", one(walk), "", won, "", 0, "",
     "(sleep 0.5; printf dd) | " + nonBlocking + "0 GAME"},
    {"BigFrameOnNonBlockingOutput", one(times(1000, std::string(1000, '#') + "\n")), "",
     frameOf("P" + times(1000, std::string(1000, '#') + "\n").substr(1)) + "Bye!\n", "", 0, "",
     nonBlocking + "1 GAME" + " < /dev/null | (sleep 0.5; cat)"},
    {"StopsAtOnceOnDiskFull", one(walk), "", "", "", 1,
     "cairn: cannot write to standard output: No space left on device\n",
     "sleep 3 | timeout 1 GAME > /dev/full"},
    {"OutputClosed", one(walk), "d", "", "", 1,
     "cairn: cannot write to standard output: Bad file descriptor\n", "cat keys | GAME >&-"},
    // A row longer than a Point can count: 2 GiB of NUL bytes, sparse on disk, then the start
    // marker beyond column 2^31. The output is cut short, so that a game that plays it cannot
    // fill the disk.
    {"LevelTooWide",
     {{"2.txt", walk}},
     "dd",
     "levels/1.txt is too large!\n" + won,
     "",
     0,
     "",
     "truncate -s 2147483648 levels/1.txt && printf 'P E' >> levels/1.txt && cat keys | timeout "
     "120 '" CAIRN_BINARY "' | head -c 4096"},
    {"PipeClosedWithSigpipeIgnored", one(walk), "", "\n", "", 0,
     "cairn: cannot write to standard output: Broken pipe\n1\n",
     "trap '' PIPE; yes 2>/dev/null | { GAME; echo $? >&2; } | head -c 1"},
    // The checker, and the game as a newcomer builds and installs it.
    // Figures worked out by hand. The lower boulder must go first: the upper one, pushed first,
    // walls in the exit. Two pushes of two boulders are two lines.
    {"CheckPushOrder", one("######\n#  # #\n#Po E#\n# o ##\n#  # #\n######\n"), "",
     R"(levels/1.txt: 6 rows, widest 6, 2 boulders, start at levels/1.txt:3:2
  open area 4 x 4, dead walls 0 of 36 cells (0.0%)
  solution: sdwdd (5 moves, 2 pushes, 2 lines)
  fewest pushes: 2
  fewest lines: 2
  dead ends: 39 of 79 positions (49.4%)
  never reached: 2 cells, the first at levels/1.txt:2:5
)",
     "", 0, "", "CHECK levels/1.txt | " + figuresOnly},
    // Every three-move way to the exit of level 1 pushes twice; seven moves need one push. Level
    // 2's fewest pushes, two, take two lines; pushing one boulder three times takes one. Each
    // solution given must win the game.
    {"CheckFewestPushesAndLines",
     {{"1.txt", "######\n#o   #\n#Po  #\n#o#E #\n######\n"},
      {"2.txt", "#######\n#Po  ##\n# o   #\n#  oE #\n## #  #\n#######\n"}},
     "",
     R"(  solution: dds (3 moves, 2 pushes, 1 line)
  fewest pushes: 1
  fewest lines: 1
  solution: sddds (5 moves, 3 pushes, 1 line)
  fewest pushes: 2
  fewest lines: 1
)" + times(4, "Gratz, you won!\n"),
     "",
     0,
     "",
     "CHECK levels/1.txt levels/2.txt > out; " + figuresOnly +
         " out | grep 'solution\\|fewest'; "
         "mkdir 1 2 && cp levels/1.txt 1 && cp levels/2.txt 2/1.txt; n=1; for k in $(" +
         routes + " out); do n=$((n + 1)); printf $k | GAME --levels $((n / 2)) | tail -n 1; done"},
    // Counts of one, a start on the exit, and no solution.
    {"CheckReports",
     {{"1.txt", "E o\n"}, {"2.txt", "#P o E#"}},
     "",
     R"(levels/1.txt: 1 row, widest 3, 1 boulder, start at levels/1.txt:1:1
  solution:  (0 moves, 0 pushes, 0 lines)
  dead ends: 0 of 1 position (0.0%)
  never reached: 1 cell, the first at levels/1.txt:1:2
  no solution: the exit cannot be reached
  dead ends: 5 of 5 positions (100.0%)
)",
     "",
     0,
     "",
     "CHECK levels/1.txt levels/2.txt 2> /dev/null | grep -v 'open area\\|fewest\\|levels/2.txt'"},
    {"CheckAtAndOverTheLimit", one("PEo\n"), "",
     R"(0
  dead ends: 0 of 2 positions (0.0%)
1
  gave up: more than 1 position; raise the limit with --limit
)",
     "", 0, "",
     "for n in 2 1; do CHECK --limit $n levels/1.txt > out; echo $?; tail -n 1 out; done"},
    {"CheckBadArguments", one("PE"), "", "2\n2\n2\n2\ncairn-check 1.0.0\n0\n", "", 0,
     "cairn-check: --limit needs a whole number from 1 to 17592186044415, not '0'\n" + checkUsage +
         "cairn-check: no level file given\n" + checkUsage +
         "cairn-check: --memory needs a whole number from 1 to 17592186044415, not '-5'\n" +
         checkUsage + "cairn-check: unknown option --tabel\n" + checkUsage,
     "for a in '--limit 0 levels/1.txt' '' '--limit=5 levels/1.txt --memory -5' '--tabel "
     "levels/1.txt' --version; do CHECK $a; echo $?; done"},
    // An author's likely mistakes are warned of, with their places as editors give them.
    {"CheckWarnings", one("\t\to#\n\nnote\n"), "", "  no solution: the level has no exit\n", "", 0,
     R"(levels/1.txt:1:1: warning: no start marker P: the player starts here, in the top-left cell
levels/1.txt:1:1: warning: a tab is a wall, though the game shows it as blank space (2 tabs in all)
levels/1.txt:2: warning: this empty line ends the level; the 1 line after it is never read
levels/2.txt: warning: 24 rows, widest 82: an 80 x 24 terminal shows a level of at most 23 rows of)"
     R"( 80 columns whole
)",
     "printf '%80sPE\\n' '' > levels/2.txt && seq 23 >> levels/2.txt && CHECK levels/1.txt "
     "levels/2.txt | grep 'no solution'"},
    {"CheckMissingAndEmpty", one(""), "", "", "", 2,
     "levels/1.txt is empty!\nCould not open levels/2.txt!\n", "CHECK levels/1.txt levels/2.txt"},
    // Few boulders in a big room: positions are stored as lists of cells, which must be kept in
    // order.
    {"CheckRoomOfTwoBoulders",
     one("##############\n#P       o   #\n#  o         #\n#           E#\n##############\n"), "",
     "  dead ends: 0 of 11620 positions (0.0%)\n", "", 0, "", "CHECK levels/1.txt | tail -n 1"},
    // The bottom row touches no open cell: 4 of 16 cells are dead wall.
    {"CheckTable", one("####\n#PE#\n####\n####\n"), "",
     tabbed("file|rows|widest|open width|open height|boulders|dead walls|result|moves|pushes|"
            "fewest pushes|fewest lines|positions|dead ends|never reached|solution\n"
            "levels/1.txt|4|4|2|1|0|25.0|solved|1|0|0|0|2|0.0|0|d\n"
            "levels/2.txt|1|7|5|1|1|0.0|no solution|-|-|-|-|5|100.0|1|-\n"),
     "--table levels/1.txt levels/2.txt", 1, "", "printf '#P o E#' > levels/2.txt; CHECK"},
    {"HelpOnStandardOutput",
     {},
     "",
     usage + "\n" + checkUsage + "\n",
     "",
     0,
     "",
     "GAME -h < /dev/null > a && CHECK --help > b && head -qn 2 a b"},
#ifndef __SANITIZE_ADDRESS__  // which cannot run within 1 GB of address space
    // Each position of this room takes kilobytes: with a budget of 1 GB the search must give up
    // before it runs out of 1.3 GB of address space.
    {"CheckGivesUpBeforeMemoryRunsOut",
     one(times(200, times(16, "     o       ").substr(0, 200) + "\n").replace(0, 1, "P")), "",
     "1\n1\n", "--memory 1024", 0, "",
     "prlimit --as=1300000000 CHECK levels/1.txt > out 2> /dev/null; echo $?; grep -c '^  gave up: "
     "' out"},
#endif
    // Without GoogleTest the tests are refused when asked for, and the game builds and plays.
    {"BuildWithoutGoogleTest", one("PE"), "d", "1\n1\n" + shown(R"(PE| P|"Gratz, you won!")"), "",
     0, "",
     configure +
         " -B dev -DCAIRN_DEVELOPER=ON > log 2>&1; echo $?; grep -c 'install the Debian package "
         "libgtest-dev' log; " +
         configure +
         " -B out > log && cmake --build out -j2 --target cairn > log && test ! -e out/tests && "
         "cat keys | timeout 60 out/cairn"},
    // A newcomer's ./play, given a folder relative to where it is run, then the install, which
    // must build what ./play did not. Installed, the game prefers levels where it is run, and
    // plays its own anywhere else.
    {"InstalledAfterPlay", one("PE"), "",
     times(2, shown(R"(PE| P|"Gratz, you won!")")) + frameOf(readFile(SOURCE_DIR "/levels/1.txt")) +
         "Bye!\n",
     "", 0, "",
     "mkdir src && tar -C '" SOURCE_DIR
     "' --exclude='./build*' --exclude=./.git -c . | tar -x -C src && echo d | src/play --levels "
     "levels && cmake --install src/build --prefix prefix > log && echo d | timeout 60 "
     "prefix/games/cairn && rm -r levels && test -e prefix/share/man/man6/cairn-check.6.gz && echo "
     "q | timeout 60 prefix/games/cairn"},
};

class Game : public testing::TestWithParam<Run> {};

TEST_P(Game, PlaysAsExpected) {
    const auto& c = GetParam();
    const LevelFolder folder(c.levels);
    folder.write("keys", c.keys);
    // Another build of the game may be named in CAIRN_GAME, such as the Windows
    // one under wine, whose newlines are CR LF.
    const char* const other = std::getenv("CAIRN_GAME");
    const std::string game = other != nullptr ? other : "'" CAIRN_BINARY "'";
    const auto printed = [&](const char* file) {
        const std::string text = folder.read(file);
        return other != nullptr ? std::regex_replace(text, std::regex("\r\n"), "\n") : text;
    };
    std::string command = c.command;
    for (const auto& [word, program] : {std::pair{"GAME", game}, {"CHECK", "'" CHECK_BINARY "'"}}) {
        // The search goes on after what was put in, which may itself hold the word.
        const std::string run = "timeout 60 " + program + " " + c.arguments;
        for (auto at = command.find(word); at != std::string::npos;
             at = command.find(word, at + run.size()))
            command.replace(at, std::strlen(word), run);
    }
    EXPECT_EQ(folder.run(command), c.status);
    EXPECT_TRUE(printed("stdout") == c.output) << printed("stdout").substr(0, 600);
    EXPECT_EQ(printed("stderr"), c.errors);
}

INSTANTIATE_TEST_SUITE_P(Campaigns, Game, testing::ValuesIn(campaigns),
                         testing::PrintToStringParamName());
INSTANTIATE_TEST_SUITE_P(Surroundings, Game, testing::ValuesIn(surroundings),
                         testing::PrintToStringParamName());

// A caller that passes anything but one of the four steps is stopped, and
// the report names the check, its file and its line.
TEST(Game, BadStepNamesTheFailedCheck) {
    Gamefield field;
    field.rows = {"   ", "   ", "   "};
    Point point{1, 1};
    EXPECT_DEATH(field.move(point, 1, 1), "src/Gamefield.cpp:84: .*`deltaX == 0 or deltaY == 0'");
    EXPECT_DEATH(field.move(point, INT_MIN, 0), "src/Gamefield.cpp:85: .*`abs\\(deltaX\\) < 2'");
    EXPECT_DEATH(field.move(point, 0, -2), "src/Gamefield.cpp:86: .*`abs\\(deltaY\\) < 2'");
}

}  // namespace
