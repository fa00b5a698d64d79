#include <unistd.h>

#include "LevelFolder.h"

namespace {

// Runs a shell command in the folder; GAME stands for the game itself.
struct Surrounding {
    const char* name;
    std::map<std::string, std::string> levels;
    std::string command;
    int status;
    std::string output, errors;
};

const std::string walk = "#P E#\n";
const std::string won = frameOf(walk) + frameOf("# PE#\n") + frameOf("#  P#\n");
const std::string wide = std::string(1000, '#') + "\n";

std::string rows(std::size_t count, const std::string& row) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += row;
    return text;
}

// Sets a descriptor of the game non-blocking, as a careless parent may leave it.
std::string nonBlocking(int fd) {
    return "python3 -c 'import os,sys; os.set_blocking(" + std::to_string(fd) +
           ", False); os.execvp(sys.argv[1], sys.argv[1:])' GAME";
}

const Surrounding surroundings[] = {
    {"KeysLateOnNonBlockingInput",
     {{"1.txt", walk}},
     "(sleep 0.5; printf dd) | " + nonBlocking(0),
     0,
     won + "Gratz, you won!\n",
     ""},
    {"BigFrameOnNonBlockingOutput",
     {{"1.txt", rows(1000, wide)}},
     nonBlocking(1) + " < /dev/null | (sleep 0.5; cat)",
     0,
     frameOf("P" + rows(1000, wide).substr(1)) + "Bye!\n",
     ""},
    {"DiskFull",
     {{"1.txt", walk}},
     "printf d | GAME > /dev/full",
     1,
     "",
     "cairn: cannot write to standard output: No space left on device\n"},
    {"OutputClosed",
     {{"1.txt", walk}},
     "printf d | GAME >&-",
     1,
     "",
     "cairn: cannot write to standard output: Bad file descriptor\n"},
    {"PipeClosedWithSigpipeIgnored",
     {{"1.txt", walk}},
     "trap '' PIPE; yes 2>/dev/null | { GAME; echo $? >&2; } | head -c 1",
     0,
     "\n",
     "cairn: cannot write to standard output: Broken pipe\n1\n"},
    {"ReadErrorInTheMiddle",
     {{"1.txt", rows(1000, "#  o      E    #\n")}, {"2.txt", walk}},
     "printf dd | LD_PRELOAD='" FAILING_READ "' ASAN_OPTIONS=verify_asan_link_order=0 GAME",
     0,
     "levels/1.txt could not be read!\n" + won + "Gratz, you won!\n",
     ""},
};

class Surroundings : public testing::TestWithParam<Surrounding> {};

TEST_P(Surroundings, NothingLostNothingHungNoFalseSuccess) {
    const auto& c = GetParam();
    const LevelFolder folder(c.levels);
    std::string command = c.command;
    command.replace(command.find("GAME"), 4, "timeout 60 '" CAIRN_BINARY "'");
    EXPECT_EQ(folder.run(command), c.status);
    EXPECT_TRUE(folder.read("stdout") == c.output)
        << folder.read("stdout").size() << " bytes, not " << c.output.size();
    EXPECT_EQ(folder.read("stderr"), c.errors);
}

INSTANTIATE_TEST_SUITE_P(Failing, Surroundings, testing::ValuesIn(surroundings), ByName());

// A row longer than a Point can count: 2 GiB of NUL bytes, sparse on disk,
// then the start marker beyond column 2^31.
TEST(Surroundings, LevelTooWideIsRefused) {
    if (sysconf(_SC_PHYS_PAGES) / 1024 * sysconf(_SC_PAGE_SIZE) / 1024 < 6L * 1024) {
        GTEST_SKIP() << "needs 6 GB of memory to read a row of 2 GiB";
    }
    const LevelFolder folder({{"2.txt", walk}});
    const std::string make = "truncate -s 2147483648 levels/1.txt && printf 'P E' >> levels/1.txt";
    EXPECT_EQ(folder.run(make + " && printf dd | timeout 120 '" CAIRN_BINARY "'"), 0);
    EXPECT_EQ(folder.read("stdout"), "levels/1.txt is too large!\n" + won + "Gratz, you won!\n");
}

}  // namespace
