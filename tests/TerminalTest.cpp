#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>

#include "LevelFolder.h"

namespace {

const std::string level = "#P E#\n";

bool same(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// The game on a pseudo-terminal. The test holds the slave side open as well,
// so it can read the terminal's settings after the game has gone.
class TerminalGame {
  public:
    enum class Start { plain, hangupIgnored, jobControl };

    explicit TerminalGame(Start start = Start::plain) {
        openpty(&master_, &slave_, nullptr, nullptr, nullptr);
        tcgetattr(slave_, &before_);
        pid_ = fork();
        if (pid_ != 0) return;
        close(master_);
        login_tty(slave_);
        if (start == Start::hangupIgnored) signal(SIGHUP, SIG_IGN);
        if (start == Start::jobControl) runAsJob();
        if (chdir(folder_.path().c_str()) == 0) execl(CAIRN_BINARY, "cairn", nullptr);
        _exit(127);
    }
    ~TerminalGame() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0)
            kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        if (master_ >= 0) close(master_);
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
    void hangUp() {
        close(master_);
        master_ = -1;
    }
    // The exit status, once the game has ended; -1 if it does not within the
    // time, or if it spent more than half of it on the processor.
    int status(std::chrono::milliseconds within = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        int status = 0;
        rusage usage{};
        while (wait4(pid_, &status, WNOHANG, &usage) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            usleep(1000);
        }
        pid_ = -1;
        const auto busy = usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000 +
                          usage.ru_stime.tv_sec * 1000 + usage.ru_stime.tv_usec / 1000;
        return busy * 2 > within.count() ? -1 : status;
    }
    termios settings() const {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    bool restored() const { return same(settings(), before_); }
    pid_t foreground() const { return tcgetpgrp(master_); }
    bool singleKeys() const { return (settings().c_lflag & (ICANON | ECHO | ISIG)) == ISIG; }

    pid_t pid_ = -1;
    std::string screen;

  private:
    // Like a shell with job control: the game gets a process group of its own
    // in the foreground, while this process stays in the session as its parent.
    void runAsJob() {
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            signal(SIGTTOU, SIG_IGN);
            tcsetpgrp(STDIN_FILENO, getpid());
            signal(SIGTTOU, SIG_DFL);
            return;
        }
        int status = 0;
        waitpid(job, &status, 0);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }

    LevelFolder folder_{{{"1.txt", level}}};
    int master_ = -1, slave_ = -1;
    termios before_{};
};

struct WayOut {
    const char* name;
    std::function<void(TerminalGame&)> act;
    int status;  // as waitpid gives it
};

const WayOut waysOut[] = {
    {"Quit", [](auto& g) { g.type("q"), g.waitFor("Bye!"), g.type("x"); }, 0},
    {"WinTheLastLevel", [](auto& g) { g.type("d"), g.waitFor("Gratz"), g.type("x"); }, 0},
    {"CtrlC", [](auto& g) { g.type("\x03"); }, SIGINT},
    {"CtrlBackslash", [](auto& g) { g.type("\x1c"); }, SIGQUIT},
    {"Terminate", [](auto& g) { kill(g.pid_, SIGTERM); }, SIGTERM},
    {"HangupSignal", [](auto& g) { kill(g.pid_, SIGHUP); }, SIGHUP},
    {"FailedAssertion", [](auto& g) { kill(g.pid_, SIGABRT); }, SIGABRT},
    {"Crash", [](auto& g) { kill(g.pid_, SIGSEGV); }, SIGSEGV},
};

class TerminalWayOut : public testing::TestWithParam<WayOut> {};

// Each game first takes a key without Enter and without echoing it.
TEST_P(TerminalWayOut, LeavesTheSettingsAsTheyWere) {
    TerminalGame game;
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#"));
    ASSERT_TRUE(game.singleKeys());
    GetParam().act(game);
    const int status = game.status();
    if (GetParam().status == 0) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    } else {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam().status) << status;
    }
    EXPECT_TRUE(game.restored());
    EXPECT_EQ(game.screen.find_first_of("dqx"), std::string::npos) << game.screen;
}

INSTANTIATE_TEST_SUITE_P(Ways, TerminalWayOut, testing::ValuesIn(waysOut), ByName());

// Closing the terminal hangs it up, so its settings can no longer be read;
// what counts is that the game goes at once and quietly.
TEST(Terminal, ClosedTerminalEndsTheGameWithinASecond) {
    for (const auto start : {TerminalGame::Start::plain, TerminalGame::Start::hangupIgnored}) {
        TerminalGame game(start);
        ASSERT_TRUE(game.waitFor("#P E#"));
        game.hangUp();
        const int status = game.status(std::chrono::seconds(1));
        if (start == TerminalGame::Start::plain) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
        } else {  // the input ends, and "Bye!" cannot be written to a terminal that is gone
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        }
    }
}

TEST(Terminal, CookedWhileSuspendedAndSingleKeysAgainAfterwards) {
    TerminalGame game(TerminalGame::Start::jobControl);
    ASSERT_TRUE(game.waitFor("#P E#"));
    ASSERT_TRUE(game.singleKeys());
    game.type("\x1a");  // Ctrl-Z
    for (int tries = 0; tries < 1000 && !game.restored(); ++tries) usleep(1000);
    EXPECT_TRUE(game.restored());
    kill(game.foreground(), SIGCONT);
    for (int tries = 0; tries < 1000 && !game.singleKeys(); ++tries) usleep(1000);
    game.type("d");
    EXPECT_TRUE(game.waitFor("# PE#"));
    game.type("qx");
    EXPECT_EQ(game.status(), 0);
    EXPECT_TRUE(game.restored());
}

}  // namespace
