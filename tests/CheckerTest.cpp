#include <sys/wait.h>

#include <regex>

#include "LevelFolder.h"
#include "Solver.h"

namespace {

using Outcome = Solution::Outcome;

struct SolveCase {
    const char* name;
    std::vector<std::string> rows;
    Point start;
    std::size_t limit;
    Outcome outcome;
    std::string keys;
    std::size_t pushes, positions, deadEnds;
};

const SolveCase solveCases[] = {
    // The boulder jams against the exit: five positions, none of them a way out.
    {"CannotBeFinished", {"#  o E#"}, {1, 0}, 100, Outcome::unreachable, "", 0, 5, 5},
    {"StartOnExit", {"E o"}, {0, 0}, 100, Outcome::finished, "", 0, 1, 0},
    {"WalkAround",
     {"#    #", "#  o #", "#   E#"},
     {1, 1},
     1000,
     Outcome::finished,
     "sddd",
     0,
     121,
     0},
    // The lower boulder must go first: the upper one, pushed first, walls in the exit.
    {"PushOrderMatters",
     {"######", "#  # #", "# o E#", "# o ##", "#  # #", "######"},
     {1, 2},
     1000,
     Outcome::finished,
     "sdwdd",
     2,
     79,
     39},
    {"TooManyPositions",
     {"       ", "   o   ", "      E"},
     {0, 0},
     10,
     Outcome::tooManyPositions,
     "",
     0,
     11,
     0},
};

class Solve : public testing::TestWithParam<SolveCase> {};

TEST_P(Solve, FindsShortestSolutionAndDeadEnds) {
    const auto& c = GetParam();
    Gamefield level;
    level.rows = c.rows;
    const Solution found = solve(level, c.start, {c.limit, SIZE_MAX});
    EXPECT_EQ(found.outcome, c.outcome);
    EXPECT_EQ(found.keys, c.keys);
    EXPECT_EQ(found.pushes, c.pushes);
    EXPECT_EQ(found.positions, c.positions);
    EXPECT_EQ(found.deadEnds, c.deadEnds);
    EXPECT_EQ(level.rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(Levels, Solve, testing::ValuesIn(solveCases), ByName());

}  // namespace

namespace {

struct CommandCase {
    const char* name;
    std::string arguments;
    int status;
    std::string printed;  // the start of standard output, or of standard error when it is empty
    std::string complaint;
};

const CommandCase commandCases[] = {
    {"Finishable", "open.txt", 0,
     "open.txt: 1 row, widest 4, 0 boulders, start at column 0 row 0\n"
     "  solution: ddd (3 moves, 0 pushes)\n  dead ends: 0 of 4 positions (0.0%)\n",
     ""},
    {"OneJammed", "open.txt jammed.txt", 1, "", ""},
    {"OverTheLimit", "--limit 2 open.txt", 1, "", ""},
    {"Missing", "open.txt missing.txt", 2, "", "Could not open missing.txt!\n"},
    {"Empty", "empty.txt", 2, "", "empty.txt is empty!\n"},
    {"NoFiles", "", 2, "", "usage: cairn-check [--limit POSITIONS] [--memory MEGABYTES] FILE...\n"},
    {"UnknownOption", "-x open.txt", 2, "", "usage: "},
    {"BadLimit", "--limit lots open.txt", 2, "", "usage: "},
    {"NegativeLimit", "--limit -5 open.txt", 2, "", "usage: "},
    {"NoMemory", "--memory 0 open.txt", 2, "", "usage: "},
    {"Help", "--help", 0, "usage: cairn-check [--limit POSITIONS] [--memory MEGABYTES] FILE...\n\n",
     ""},
};

class Command : public testing::TestWithParam<CommandCase> {};

TEST_P(Command, ExitStatusTellsTheVerdict) {
    const auto& c = GetParam();
    const LevelFolder folder({});
    folder.write("open.txt", "P  E\n");
    folder.write("jammed.txt", "#P o E#\n");
    folder.write("empty.txt", "");
    EXPECT_EQ(folder.run("'" CHECK_BINARY "' " + c.arguments), c.status);
    EXPECT_EQ(folder.read("stdout").substr(0, c.printed.size()), c.printed);
    EXPECT_EQ(folder.read("stderr").substr(0, c.complaint.size()), c.complaint);
}

INSTANTIATE_TEST_SUITE_P(Arguments, Command, testing::ValuesIn(commandCases), ByName());

// A room of 200 x 200 cells with 3,000 boulders: each position takes kilobytes,
// and the search must give up before a machine of 4 GB runs out of memory.
TEST(Checker, GivesUpBeforeMemoryRunsOut) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the address sanitizer cannot run within a 4 GB address space";
#endif
    std::string room = std::string(202, '#') + "\n";
    for (int y = 0; y < 200; ++y) {
        std::string row = "#";
        for (int x = 0; x < 200; ++x) row += (x * 7 + y * 11) % 13 == 0 ? 'o' : ' ';
        room += row + "#\n";
    }
    room += std::string(202, '#') + "\n";
    room[204] = 'P';
    const LevelFolder folder({});
    folder.write("many.txt", room);
    EXPECT_EQ(folder.run("prlimit --as=4000000000 '" CHECK_BINARY "' many.txt"), 1);
    EXPECT_NE(folder.read("stdout").find("\n  gave up: "), std::string::npos);
}

}  // namespace
