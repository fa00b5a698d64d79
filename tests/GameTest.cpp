#include <algorithm>
#include <climits>
#include <numeric>

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
    "python3 -c 'import os,sys; os.set_blocking(int(sys.argv[1]), "
    "False); os.execvp(sys.argv[2], sys.argv[2:])' ";

// A command runs in a folder holding levels/ and the keys, with the game in $GAME and the
// checker in $CHECK.
struct Run {
    const char* name;
    Files levels;
    std::string keys, output;
    std::string command = "cat keys | $GAME";
    std::string errors{};
    int status = 0;
};

const auto one = [](const std::string& level) { return Files{{"1.txt", level}}; };

const std::string walk = "#P E#\n", won = shown(R"(#P E#|# PE#|#  P#|"Gratz, you won!")");
const std::string bye = shown("#P E#|\"Bye!\""), pe = shown(R"(PE| P|"Gratz, you won!")");
const std::string big = times(300, std::string(300, '#') + "\n");

// Each case of an option loop prints its status and the first line of its error stream, then
// of its output after a '/'.
std::string eachOf(const std::string& cases, const char* program) {
    return "for a in " + cases + "; do " + program + " $a > o 2> e < /dev/null; echo $? " +
           "\"$(head -qn 1 e)/$(head -qn 1 o)\"; done; " + program + " -x 2>&1 | tail -n 1";
}

// The game as a player or a script meets it, keys through a pipe; these rows
// also run against the Windows build.
const Run campaigns[] = {
    {"WalkToExitInCapitals", one(walk), "dD", won},
    {"EveryByteAsAKey", one(walk),
     [] {
         std::string all(256, 0);
         std::iota(all.begin(), all.end(), 0);
         return all;
     }(),
     times(69, shown("#P E#")) + times(13, shown("# PE#")) + "Bye!\n"},
    // The last key is a sequence cut off by the end of the input.
    {"PushNotOntoExit", one("#Po E#"), "dd\x1b[1;", shown(R"(#Po E#|# PoE#|# PoE#|# PoE#|"Bye!")")},
    {"PushUpAndOffTopAndBottom", one(" \no\nP\n \no\n"), "wwsss",
     shown(R"( /o/P/ /o|o/P/ / /o|o/P/ / /o|o/ /P/ /o|o/ / /P/o|o/ / /P/o|"Bye!")")},
    {"PushIntoWallOrBoulder", one("#Po#\n# oo\n"), "dsd",
     shown(R"(#Po#/# oo|#Po#/# oo|# o#/#Poo|# o#/#Poo|"Bye!")")},
    {"PushOffLeftAndRight", one("oPo"), "ad", shown(R"(oPo|oPo|oPo|"Bye!")")},
    {"PushPastShorterRow", one("  \n o\n \n"), "ds", shown(R"(P / o/ | P/ o/ | P/ o/ |"Bye!")")},
    // Off the left, the top, a short row's end and the bottom; into a gap of a short row.
    {"WalkEdgesAndRaggedRows", one(" \nP E\n"), "awwdsdwsd",
     shown(R"( /P E| /P E|P/  E|P/  E|P/  E| /P E| / PE| / PE| / PE| /  P|"Gratz, you won!")")},
    // Any other byte is a wall shown as it is, a tab too; control bytes show as '?', both edges of
    // their ranges, and a sequence that would set the window title.
    {"OtherBytesAreWallsAndMasked", one("\x1b]0;x\x07P\t0eO\x80\x01\x08\x0b\x1f\nab\x7f\n"), "d",
     times(2, shown("?]0;x?P\t0eO\x80???\?/ab?")) + "Bye!\n"},
    // Levels that start with an empty line are empty and skipped; no marker starts top-left,
    // even on the exit; an empty line ends a level; and in the last level the last marker of the
    // lowest row wins, and a CR is dropped only at the end of a line.
    {"LoadRules",
     {{"1.txt", ""},
      {"2.txt", "\nPE"},
      {"3.txt", "\r\nPE"},
      {"4.txt", " E"},
      {"5.txt", "E \n"},
      {"6.txt", "PE\n\nx"},
      {"7.txt", "#P#\r\n#PP#P#\r\nPaP\rb\r\r\n\r\nP\n"}},
     "dd",
     "levels/1.txt is empty!\nlevels/2.txt is empty!\nlevels/3.txt is empty!\n" +
         shown(R"(PE| P|P |PE| P|# #/#  # #/ aP?b?|"Bye!")")},
    // A restart plays the level again as its file has it, the first level and the last alike.
    {"RestartReloads",
     {{"1.txt", "PE"}, {"2.txt", "#Po E#"}},
     "rddRd",
     shown(R"(PE|PE| P|#Po E#|# PoE#|#Po E#|# PoE#|"Bye!")")},
    // Without options the game keeps to what it did, and says on the error stream where it looked.
    {"NoLevelOne",
     {{"0.txt", walk}, {"2.txt", walk}},
     "",
     "Gratz, you won!\n",
     "cat keys | $GAME 2> log; cut -d: -f1-2 log >&2",
     "cairn: found no levels\n"},
    // From level 2, and on until the first number without a level.
    {"FromLevelTwoToTheGap",
     {{"1.txt", "PE\n1"}, {"2.txt", "PE\n2"}, {"4.txt", "PE\n4"}},
     "dd",
     shown(R"(PE/2| P/2|"Gratz, you won!")"),
     "cat keys | $GAME --from=2"},
    // The null device is no console: it is an empty input, so the game ends at once.
    {"NullDeviceEndsAtOnce", one(walk), "", bye, "$GAME < /dev/null | head -c 4096"},
    // A wrong option is named, with the usage after it; an option that leaves nothing to play
    // names the missing file. The last number a level can have is played, and discovery stops
    // there without overflowing.
    {"BadArguments",
     {{"1.txt", "PE"}, {"2.txt", "PE"}, {"3.txt", "PE"}, {"2147483647.txt", "PE"}},
     "",
     "2 cairn: --from needs a level number from 1 to 2147483647, not '0'/\n"
     "2 cairn: --from needs a level number from 1 to 2147483647, not '2147483648'/\n"
     "2 cairn: --from needs a value/\n2 cairn: unknown option --form/\n"
     "2 cairn: unexpected argument x=1/\n2 cairn: --help takes no value/\n"
     "2 cairn: --levels needs a folder/\n2 cairn: there is no nowhere/2.txt, nor a level 1/\n"
     "2 cairn: there is no levels/4.txt; the last level is levels/3.txt/\n0 /\n"
     "0 /cairn 1.0.0\n0 /" +
         times(2, "usage: cairn [--from N] [--levels DIR] [--help] [--version]\n"),
     eachOf("'--from 0' --from=2147483648 --from '--form 7' x=1 --help=x --levels= "
            "'--levels nowhere --from 2' '--from 4' '--from 2147483647' --version -h",
            "$GAME")},
};

const Run surroundings[] = {
    // The game when what is around it fails or misbehaves. A folder where a level should be is
    // reported; a link to nowhere ends the levels.
    {"FolderAndBrokenLink",
     {{"1.txt", walk}, {"3.txt", walk}, {"5.txt", "never"}},
     "dddd",
     shown("#P E#|# PE#|#  P#") + "levels/2.txt could not be read!\n" + won,
     "mkdir levels/2.txt; ln -s nowhere levels/4.txt; cat keys | $GAME"},
    {"KeysLateOnNonBlockingInput", one(walk), "", won,
     "(sleep 0.5; printf dd) | " + nonBlocking + "0 $GAME"},
    {"BigFrameOnNonBlockingOutput", one(big), "", frameOf("P" + big.substr(1)) + "Bye!\n",
     nonBlocking + "1 $GAME < /dev/null | (sleep 0.5; cat)"},
    // A small frame fails on its flush, a big one as it is written.
    {"StopsAtOnceOnDiskFull", one(walk), "", "", "sleep 3 | timeout 1 $GAME > /dev/full",
     "cairn: cannot write to standard output: No space left on device\n", 1},
    {"BigFrameToClosedOutput", one(big), "d", "", "cat keys | $GAME >&-",
     "cairn: cannot write to standard output: Bad file descriptor\n", 1},
    // 2 GiB of NUL bytes, sparse on disk, then the start marker beyond column 2^31: more than a
    // Point can count. The output is cut short, so that a game that plays it cannot fill the disk.
    {"LevelTooWide",
     {{"2.txt", walk}},
     "dd",
     "levels/1.txt is too large!\n" + won,
     "truncate -s 2G levels/1.txt && printf 'P E' >> levels/1.txt && cat keys | $GAME | "
     "head -c 4096"},
    {"PipeClosedWithSigpipeIgnored", one(walk), "", "\n",
     "trap '' PIPE; yes 2>/dev/null | { $GAME; echo $? >&2; } | head -c 1",
     "cairn: cannot write to standard output: Broken pipe\n1\n"},
    // The checker. Figures worked out by hand: the lower boulder must go first, as the upper
    // one, pushed first, walls in the exit; two pushes of two boulders are two lines.
    {"CheckPushOrder", one("######\n#  # #\n#Po E#\n# o ##\n#  # #\n######\n"), "",
     R"(levels/1.txt: 6 rows, widest 6, 2 boulders, start at levels/1.txt:3:2
  open area 4 x 4, dead walls 0 of 36 cells (0.0%)
  solution: sdwdd (5 moves, 2 pushes, 2 lines)
  fewest pushes: 2
  fewest lines: 2
  dead ends: 39 of 79 positions (49.4%)
  never reached: 2 cells, the first at levels/1.txt:2:5
)",
     "$CHECK levels/1.txt | sed 's/, in .*//'"},
    // Every three-move way to the exit of level 1 pushes twice; seven moves need one push. Level
    // 2's fewest pushes, two, take two lines; pushing one boulder three times takes one. Each
    // solution given wins the game.
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
)" + times(6, "Gratz, you won!\n"),
     "$CHECK levels/?.txt > out; grep 'solution\\|fewest' out | sed 's/, in .*//'; for n in 1 2; "
     "do mkdir $n; mv levels/$n.txt $n/1.txt; done; i=2; for k in $(sed -n 's/.*[:n] "
     "\\([wasd]*\\) (.*/\\1/p' out); do printf $k | $GAME --levels $(((i += 1) / 3)) | tail -n 1; "
     "done"},
    // Counts of one, a start on the exit, no exit, and more cells than two bytes can number. In the
    // table, the bottom row of level 5 touches no open cell: 4 of 16 cells are dead wall; and a
    // file that does not load outweighs a later one without a solution.
    {"CheckReports",
     {{"1.txt", "E o\n"},
      {"2.txt", "#P o E#"},
      {"3.txt", "o\n\nP"},
      {"4.txt", times(250, std::string(300, ' ') + "\n").replace(0, 1, "P").replace(75248, 1, "E")},
      {"5.txt", "####\n#PE#\n####\n####\n"},
      {"6.txt", ""}},
     "",
     R"(  solution:  (0 moves, 0 pushes, 0 lines)
  dead ends: 0 of 1 position (0.0%)
  never reached: 1 cell, the first at levels/1.txt:1:2
  no solution: the exit cannot be reached
  never reached: 1 cell, the first at levels/2.txt:1:6
  no solution: the level has no exit
  dead ends: 0 of 75000 positions (0.0%)
2
)"
     "levels/5.txt\t4\t4\t2\t1\t0\t25.0\tsolved\t1\t0\t0\t0\t2\t0.0\t0\td\n"
     "levels/2.txt\t1\t7\t5\t1\t1\t0.0\tno solution\t-\t-\t-\t-\t5\t100.0\t1\t-\n",
     "$CHECK levels/[1-4].txt 2> /dev/null | grep 'no sol\\|n:  (\\|ends: 0\\|never'; "
     "$CHECK --table levels/5.txt levels/6.txt levels/7.txt levels/2.txt > t; "
     "echo $?; tail -n +2 t",
     "levels/6.txt is empty!\nCould not open levels/7.txt!\n"},
    // Limits are kept to the last position and byte, and 1 MB is plenty for a small level.
    // Positions are kept as lists of cells, in order, in a room of few boulders, and as sets of
    // cells, some 2 KB each, in a crowded one.
    {"CheckLimits",
     {{"1.txt", "PEo\n"},
      {"2.txt", "##############\n#P       o   #\n#  o         #\n#           E#\n##############\n"},
      {"3.txt", times(40, times(8, "     o       ").substr(0, 100) + "\n").replace(0, 1, "P")}},
     "",
     "0\n  dead ends: 0 of 2 positions (0.0%)\n1\n"
     "  gave up: more than 1 position; raise the limit with --limit\n"
     "  dead ends: 0 of 11620 positions (0.0%)\n"
     "  gave up: 514 positions need more than 1 MB; raise the budget with --memory\n",
     "for n in 2 1; do $CHECK --limit $n --memory 1 levels/1.txt > o; echo $?; tail -n 1 o; done; "
     "$CHECK levels/2.txt | tail -n 1; $CHECK --memory 1 levels/3.txt 2> /dev/null | tail -n 1"},
    {"CheckBadArguments", one("PE"), "",
     "2 cairn-check: --limit needs a whole number from 1 to 17592186044415, not '0'/\n"
     "2 cairn-check: --limit needs a whole number from 1 to 17592186044415, not "
     "'99999999999999999999'/\n"
     "2 cairn-check: --memory needs a whole number from 1 to 17592186044415, not "
     "'17592186044416'/\n2 cairn-check: no level file given/\n"
     "2 cairn-check: unknown option --tabel/\n2 cairn-check: --table takes no value/\n"
     "0 /cairn-check 1.0.0\n0 /" +
         times(2,
               "usage: cairn-check [--table] [--limit POSITIONS] [--memory MEGABYTES] FILE...\n"),
     eachOf("'--limit 0 x' '--limit 99999999999999999999 x' '--limit=5 --memory 17592186044416 x' "
            "'' '--tabel x' '--table=1 x' --version --help",
            "$CHECK")},
    // An author's likely mistakes are warned of, with their places as editors give them. Level 2
    // fills an 80 x 24 terminal exactly, and level 3 is a row too tall.
    {"CheckWarnings", one("\t\to#\n\nnote\n"), "", "",
     "printf '%78sPE\\n' '' > levels/2.txt && seq 22 >> levels/2.txt && (echo P; seq 23) > "
     "levels/3.txt && "
     "$CHECK levels/?.txt > o",
     R"(levels/1.txt:1:1: warning: no start marker P: the player starts here, in the top-left cell
levels/1.txt:1:1: warning: a tab is a wall, though the game shows it as blank space (2 tabs in all)
levels/1.txt:2: warning: this empty line ends the level; the 1 line after it is never read
levels/3.txt: warning: 24 rows, widest 2: an 80 x 24 terminal shows a level of at most 23 rows of)"
     R"( 80 columns whole
)",
     1},
    // A file that does not load outweighs one without a solution, whichever comes first.
    // A newcomer's ./play, then the install, which must build what ./play did not. Installed, the
    // game prefers levels where it is run, and plays its own anywhere else.
    {"InstalledAfterPlay", one("PE"), "",
     times(3, pe) + frameOf(readFile(SOURCE_DIR "/levels/1.txt")) + "Bye!\n",
     "mkdir src && tar -C '" SOURCE_DIR "' --exclude='./build*' --exclude=./.git -c . | tar -x "
     "-C src && echo d | src/play --levels levels && cmake --install src/build --prefix prefix > "
     "log && g=prefix/games/cairn && echo d | $g && mkdir l && mv levels/1.txt l && echo d | $g "
     "--levels l && test -e prefix/share/man/man6/cairn-check.6.gz && echo q | $g"},
};

class Game : public testing::TestWithParam<Run> {};

TEST_P(Game, PlaysAsExpected) {
    const auto& c = GetParam();
    const LevelFolder folder(c.levels);
    folder.write("keys", c.keys);
    // Another build of the game may be named in CAIRN_GAME, such as the Windows
    // one under wine, whose newlines are CR LF; it shows any other CR as '?'.
    const char* const other = std::getenv("CAIRN_GAME");
    const auto printed = [&](const char* file) {
        std::string text = folder.read(file);
        if (other != nullptr) text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    const std::string game = other != nullptr ? other : CAIRN_BINARY;
    EXPECT_EQ(folder.run("GAME='timeout 120 " + game + "' CHECK='timeout 120 " CHECK_BINARY "'; " +
                         c.command),
              c.status);
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
