#include <climits>
#include <vector>

#include "Gamefield.h"
#include "LevelFolder.h"

using Rows = std::vector<std::string>;

static bool operator==(const Point& a, const Point& b) {
    return a.x == b.x && a.y == b.y;
}
static void PrintTo(const Point& point, std::ostream* out) {
    *out << "{" << point.x << ", " << point.y << "}";
}

namespace {

struct LoadCase {
    const char* name;
    const char* text;  // no file at all when null
    Rows rows;
    Point start;
    std::string message;  // FILE stands for the path
};

// The caller's start point is {-7, 9}: a file without a marker leaves it there.
const LoadCase loadCases[] = {
    {"Simple", "#P o E#\n###\n", {"#  o E#", "###"}, {1, 0}, ""},
    {"EmptyLineEndsLevel", "ab\nPc\n\nP free text\n", {"ab", " c"}, {0, 1}, ""},
    {"NoFinalNewline", "ab\ncd", {"ab", "cd"}, {-7, 9}, ""},
    {"RaggedRows",
     "########\n#P#\n############\n",
     {"########", "# #", "############"},
     {1, 1},
     ""},
    {"LastMarkerWins", "#####\n#P###\n#P##P##P#\n", {"#####", "# ###", "# ## ## #"}, {7, 2}, ""},
    {"LoneMarker", "##\nP\n", {"##", " "}, {0, 1}, ""},
    {"BlankLineIsARow", "   \n#\n", {"   ", "#"}, {-7, 9}, ""},
    {"OtherBytesStored", "pO\t\x01\x80\n", {"pO\t\x01\x80"}, {-7, 9}, ""},
    {"CrlfLineEnds", "#P#\r\n###\r\n\r\nxxx\r\n", {"# #", "###"}, {1, 0}, ""},
    {"CrAtEndOfFile", "ab\r", {"ab"}, {-7, 9}, ""},
    {"InnerCrKept", "a\rb\n", {"a\rb"}, {-7, 9}, ""},
    {"ZeroBytes", "", {}, {-7, 9}, "FILE is empty!\n"},
    {"FirstLineEmpty", "\n##\nP\n", {}, {-7, 9}, "FILE is empty!\n"},
    {"OnlyCarriageReturn", "\r\n##\n", {}, {-7, 9}, "FILE is empty!\n"},
    {"MissingFile", nullptr, {}, {-7, 9}, "Could not open FILE!\n"},
};

class Load : public testing::TestWithParam<LoadCase> {};

TEST_P(Load, ReadsRowsAndStartOrReportsOneLine) {
    const auto& c = GetParam();
    LevelFolder folder({});
    if (c.text != nullptr) folder.write("levels/1.txt", c.text);
    const std::string path = folder.path("levels/1.txt");
    std::string message = c.message;
    if (const auto at = message.find("FILE"); at != std::string::npos) message.replace(at, 4, path);
    Gamefield field;
    Point start{-7, 9};
    testing::internal::CaptureStdout();
    EXPECT_EQ(field.load(path, start), message.empty());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message);
    EXPECT_EQ(field.rows, c.rows);
    EXPECT_EQ(start, c.start);
}

INSTANTIATE_TEST_SUITE_P(Levels, Load, testing::ValuesIn(loadCases), ByName());

struct DrawCase {
    const char* name;
    Rows rows;
    Point player;
    std::string shown;
};

const DrawCase drawCases[] = {
    {"NoRows", {}, {0, 0}, ""},
    {"PlayerDrawn", {"#  #", "#E#"}, {2, 0}, "# P#\n#E#\n"},
    {"PlayerHidesExit", {"#E#"}, {1, 0}, "#P#\n"},
    {"EmptyAndShortRows", {"#####", "", "##"}, {9, 9}, "#####\n\n##\n"},
    {"NegativePoint", {"  "}, {-1, 0}, "  \n"},
    {"RowPastLast", {"  "}, {0, 1}, "  \n"},
    {"ColumnPastOwnRow", {"#####", "# "}, {3, 1}, "#####\n# \n"},
    {"ControlBytesMasked", {std::string("\x1b]0;x\x07\0\x7f", 8)}, {9, 9}, "?]0;x???\n"},
    {"TabAndHighBytesKept", {"\t\xe2\x96\x88 "}, {4, 0}, "\t\xe2\x96\x88P\n"},
};

class Draw : public testing::TestWithParam<DrawCase> {};

TEST_P(Draw, PrintsOneFrame) {
    const auto& c = GetParam();
    Gamefield field;
    field.rows = c.rows;
    testing::internal::CaptureStdout();
    field.draw(c.player);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), frameOf(c.shown));
    EXPECT_EQ(field.rows, c.rows);
}

INSTANTIATE_TEST_SUITE_P(Frames, Draw, testing::ValuesIn(drawCases), ByName());

struct MoveCase {
    const char* name;
    Rows before;
    Point from;
    std::int32_t deltaX, deltaY;
    Rows after;
    Point to;
};

const MoveCase moveCases[] = {
    {"WalkRight", {"#  #"}, {1, 0}, 1, 0, {"#  #"}, {2, 0}},
    {"WalkOntoExit", {"# E#"}, {1, 0}, 1, 0, {"# E#"}, {2, 0}},
    {"WallBlocks", {"# #"}, {1, 0}, 1, 0, {"# #"}, {1, 0}},
    {"CapitalOBlocks", {"\t0eO #"}, {4, 0}, -1, 0, {"\t0eO #"}, {4, 0}},
    {"PushBoulder", {"#  o E#"}, {2, 0}, 1, 0, {"#   oE#"}, {3, 0}},
    {"BoulderNeverEntersExit", {"#   oE#"}, {3, 0}, 1, 0, {"#   oE#"}, {3, 0}},
    {"TwoBouldersStay", {"# oo  #"}, {1, 0}, 1, 0, {"# oo  #"}, {1, 0}},
    {"BoulderAtGridEdge", {"o "}, {1, 0}, -1, 0, {"o "}, {1, 0}},
    {"PushUp", {" ", "o", " "}, {0, 2}, 0, -1, {"o", " ", " "}, {0, 1}},
    {"PushPastShortRow", {"  ", " o", " "}, {1, 0}, 0, 1, {"  ", " o", " "}, {1, 0}},
    {"LeftEdge", {"  "}, {0, 0}, -1, 0, {"  "}, {0, 0}},
    {"TopEdge", {"  "}, {0, 0}, 0, -1, {"  "}, {0, 0}},
    {"NoColumnAbove", {"###", "        "}, {5, 1}, 0, -1, {"###", "        "}, {5, 1}},
    {"NoColumnBelow", {"        ", "#####"}, {5, 0}, 0, 1, {"        ", "#####"}, {5, 0}},
    {"ColumnThatExistsBelow", {"        ", "  E"}, {2, 0}, 0, 1, {"        ", "  E"}, {2, 1}},
    {"StandStill", {"o o"}, {1, 0}, 0, 0, {"o o"}, {1, 0}},
    {"FromOutsideTheGrid", {" "}, {INT32_MAX, 0}, 1, 0, {" "}, {INT32_MAX, 0}},
};

class Move : public testing::TestWithParam<MoveCase> {};

TEST_P(Move, FollowsTheRules) {
    const auto& c = GetParam();
    Gamefield field;
    field.rows = c.before;
    Point point = c.from;
    field.move(point, c.deltaX, c.deltaY);
    EXPECT_EQ(field.rows, c.after);
    EXPECT_EQ(point, c.to);
}

INSTANTIATE_TEST_SUITE_P(Steps, Move, testing::ValuesIn(moveCases), ByName());

struct BadStep {
    const char* name;
    std::int32_t deltaX, deltaY;
    const char* report;
};

const BadStep badSteps[] = {
    {"Diagonal", 1, 1, "src/Gamefield.cpp:84: .*`deltaX == 0 or deltaY == 0'"},
    {"TwoColumns", 2, 0, "src/Gamefield.cpp:85: .*`abs\\(deltaX\\) < 2'"},
    {"MostNegative", INT_MIN, 0, "src/Gamefield.cpp:85: .*`abs\\(deltaX\\) < 2'"},
    {"TwoRowsUp", 0, -2, "src/Gamefield.cpp:86: .*`abs\\(deltaY\\) < 2'"},
};

class MoveDeath : public testing::TestWithParam<BadStep> {};

TEST_P(MoveDeath, NamesTheFailedCheck) {
    Gamefield field;
    field.rows = {"   ", "   ", "   "};
    Point point{1, 1};
    EXPECT_DEATH(field.move(point, GetParam().deltaX, GetParam().deltaY), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(Steps, MoveDeath, testing::ValuesIn(badSteps), ByName());

}  // namespace
