#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <csignal>
#include <cstring>

#include "LevelFolder.h"

namespace {

const std::string level = "#P E#\n";

// The game on a pseudo-terminal. The test holds the slave side open as well,
// so it can read the terminal's settings after the game has gone.
class TerminalGame {
  public:
    explicit TerminalGame(const LevelFolder& folder) {
        openpty(&master_, &slave_, nullptr, nullptr, nullptr);
        tcgetattr(slave_, &before_);
        pid_ = fork();
        if (pid_ != 0) return;
        login_tty(dup(slave_));
        if (chdir(folder.path().c_str()) == 0) execl(CAIRN_BINARY, "cairn", nullptr);
        _exit(127);
    }
    ~TerminalGame() {
        close(master_);
        close(slave_);
    }
    TerminalGame(const TerminalGame&) = delete;
    TerminalGame& operator=(const TerminalGame&) = delete;

    // Reads the screen until text shows; false after five seconds without it.
    bool waitFor(const std::string& text) {
        pollfd output{master_, POLLIN, 0};
        char buffer[4096];
        while (screen.find(text) == std::string::npos) {
            if (poll(&output, 1, 5000) <= 0) return false;
            const auto count = read(master_, buffer, sizeof buffer);
            if (count <= 0) return false;
            screen.append(buffer, static_cast<std::size_t>(count));
        }
        return true;
    }
    void type(const std::string& keys) const {
        EXPECT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    int status() const {
        int status = 0;
        waitpid(pid_, &status, 0);
        return status;
    }
    termios settings() const {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    bool restored() const {
        const termios now = settings();
        return now.c_iflag == before_.c_iflag && now.c_oflag == before_.c_oflag &&
               now.c_cflag == before_.c_cflag && now.c_lflag == before_.c_lflag &&
               std::memcmp(now.c_cc, before_.c_cc, sizeof now.c_cc) == 0;
    }

    pid_t pid_ = -1;
    std::string screen;

  private:
    int master_ = -1, slave_ = -1;
    termios before_{};
};

TEST(Terminal, ReadsKeysWithoutEnterOrEchoAndRestoresOnQuit) {
    const LevelFolder folder({{"1.txt", level}});
    TerminalGame game(folder);
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#"));
    EXPECT_EQ(game.settings().c_lflag & (ICANON | ECHO | ISIG), ISIG);
    game.type("q");
    ASSERT_TRUE(game.waitFor("Bye!"));
    game.type("x");
    EXPECT_EQ(game.status(), 0);
    EXPECT_EQ(game.screen.find_first_of("dqx"), std::string::npos) << game.screen;
    EXPECT_TRUE(game.restored());
}

class TerminalSignal : public testing::TestWithParam<int> {};

TEST_P(TerminalSignal, RestoresSettingsAndDiesOfTheSignal) {
    const LevelFolder folder({{"1.txt", level}});
    TerminalGame game(folder);
    ASSERT_TRUE(game.waitFor("#P E#"));
    kill(game.pid_, GetParam());
    const int status = game.status();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
    EXPECT_TRUE(game.restored());
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalSignal, testing::Values(SIGTERM, SIGINT, SIGHUP));

}  // namespace
