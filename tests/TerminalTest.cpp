#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <csignal>
#include <cstring>

#include "LevelFolder.h"

namespace {

bool sameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// The game on the slave side of a pseudo-terminal. The test keeps its own
// handle on the slave so it can read the settings after the game has gone.
class TerminalGame {
  public:
    explicit TerminalGame(const LevelFolder& folder) {
        openpty(&master_, &slave_, nullptr, nullptr, nullptr);
        tcgetattr(slave_, &before_);
        pid_ = fork();
        if (pid_ == 0) {
            login_tty(dup(slave_));
            if (chdir(folder.file("").c_str()) == 0)
                execl(CAIRN_BINARY, "cairn", nullptr);
            _exit(127);
        }
    }
    ~TerminalGame() {
        close(master_);
        close(slave_);
    }

    // Reads the screen until text shows up; false after five seconds without it.
    bool waitFor(const std::string& text) {
        pollfd output{master_, POLLIN, 0};
        while (screen_.find(text) == std::string::npos) {
            char buffer[4096];
            if (poll(&output, 1, 5000) <= 0) return false;
            const auto count = read(master_, buffer, sizeof buffer);
            if (count <= 0) return false;
            screen_.append(buffer, static_cast<std::size_t>(count));
        }
        return true;
    }
    void type(const std::string& keys) const {
        ASSERT_GT(write(master_, keys.data(), keys.size()), 0);
    }
    int wait() const {
        int status = 0;
        waitpid(pid_, &status, 0);
        return status;
    }
    bool inSingleKeyMode() const {
        termios now{};
        tcgetattr(slave_, &now);
        return (now.c_lflag & (ICANON | ECHO)) == 0 && (now.c_lflag & ISIG) != 0;
    }
    bool restored() const {
        termios now{};
        tcgetattr(slave_, &now);
        return sameSettings(now, before_);
    }
    pid_t pid() const { return pid_; }
    const std::string& screen() const { return screen_; }

  private:
    int master_ = -1, slave_ = -1;
    pid_t pid_ = -1;
    termios before_{};
    std::string screen_;
};

const std::string level = "#P E#\n";

TEST(Terminal, KeysWithoutEnterNoEchoAndRestoredAfterQuit) {
    const LevelFolder folder({{"1.txt", level}});
    TerminalGame game(folder);
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#"));
    EXPECT_TRUE(game.inSingleKeyMode());
    game.type("q");
    ASSERT_TRUE(game.waitFor("Bye!"));
    game.type("x");
    const int status = game.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(game.screen().find_first_of("dqx"), std::string::npos) << game.screen();
    EXPECT_TRUE(game.restored());
}

class TerminalSignal : public testing::TestWithParam<int> {};

TEST_P(TerminalSignal, RestoresSettingsAndDiesOfTheSignal) {
    const LevelFolder folder({{"1.txt", level}});
    TerminalGame game(folder);
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#"));
    kill(game.pid(), GetParam());
    const int status = game.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
    EXPECT_TRUE(game.restored());
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalSignal,
                         testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
