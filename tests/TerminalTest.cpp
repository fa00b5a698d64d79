#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>

#include "LevelFolder.h"

namespace {

using std::chrono::milliseconds;

// The game on a pseudo-terminal. The test keeps the slave side open too, so it
// can read the terminal's settings after the game has gone.
class TerminalGame {
  public:
    explicit TerminalGame(bool asJob = false) {
        openpty(&master_, &slave_, nullptr, nullptr, nullptr);
        tcgetattr(slave_, &before_);
        if ((pid = fork()) != 0) return;
        login_tty(slave_);
        if (asJob) runAsJob();
        if (chdir(folder_.path().c_str()) == 0) execl(CAIRN_BINARY, "cairn", nullptr);
        _exit(127);
    }
    ~TerminalGame() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0)
            kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        close(master_), close(slave_);
    }
    TerminalGame(const TerminalGame&) = delete;
    TerminalGame& operator=(const TerminalGame&) = delete;

    // Reads the screen until text has shown count times; false after the time.
    bool waitFor(const std::string& text, int count = 1, milliseconds within = milliseconds(5000)) {
        for (char buffer[4096];;) {
            int seen = 0;
            for (auto at = screen.find(text); at != std::string::npos;
                 at = screen.find(text, at + 1))
                ++seen;
            pollfd output{master_, POLLIN, 0};
            if (seen >= count) return true;
            if (poll(&output, 1, static_cast<int>(within.count())) <= 0) return false;
            const auto got = read(master_, buffer, sizeof buffer);
            if (got <= 0) return false;
            screen.append(buffer, static_cast<std::size_t>(got));
        }
    }
    void type(const std::string& keys) const {
        EXPECT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // The wait status once the game has ended, or -1 if it does not in time.
    int status(milliseconds within = milliseconds(5000)) {
        int status = 0;
        for (auto waited = 0; waitpid(pid, &status, WNOHANG) == 0; usleep(1000))
            if (++waited > within.count()) return -1;
        pid = -1;
        return status;
    }
    bool restored() const {
        const termios now = settings();
        return now.c_lflag == before_.c_lflag && now.c_iflag == before_.c_iflag &&
               std::memcmp(now.c_cc, before_.c_cc, sizeof now.c_cc) == 0;
    }
    bool singleKeys() const { return (settings().c_lflag & (ICANON | ECHO | ISIG)) == ISIG; }
    // Waits up to a second for the terminal's settings to be as wanted.
    bool settles(bool (TerminalGame::*wanted)() const) const {
        for (int tries = 0; tries < 1000 && !(this->*wanted)(); ++tries) usleep(1000);
        return (this->*wanted)();
    }
    pid_t foreground() const { return tcgetpgrp(master_); }

    pid_t pid = -1;
    std::string screen;

  private:
    termios settings() const {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    // As a shell with job control runs it: in a process group of its own in
    // the foreground, with this process as its parent in the session.
    static void runAsJob() {
        if (const pid_t job = fork(); job != 0) {
            int status = 0;
            waitpid(job, &status, 0);
            _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        }
        setpgid(0, 0);
        signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(STDIN_FILENO, getpid());
    }

    LevelFolder folder_{{{"1.txt", "#P E#\n"}}};
    int master_ = -1, slave_ = -1;
    termios before_{};
};

// A closing line shows before the last key is read, and the game waits for it.
void closeWith(TerminalGame& game, const std::string& message) {
    ASSERT_TRUE(game.waitFor(message));
    EXPECT_EQ(game.status(milliseconds(200)), -1) << "ended without its last key";
    game.type("x");
}

struct WayOut {
    const char* name;
    std::function<void(TerminalGame&)> act;
    int signal;  // that ends the game, or 0 for an exit with status 0
    bool asJob = false;
};

// clang-format off
const WayOut waysOut[] = {
    {"Quit", [](auto& g) { g.type("q"), closeWith(g, "Bye!"); }, 0},
    {"WinTheLastLevel", [](auto& g) { g.type("d"), closeWith(g, "Gratz, you won!"); }, 0},
    {"LoneEscapeRedrawsAtOnce", [](auto& g) { g.type("\x1b"); EXPECT_TRUE(g.waitFor("# PE#", 2, milliseconds(500))); g.type("q"), closeWith(g, "Bye!"); }, 0},
    {"CtrlC", [](auto& g) { g.type("\x03"); }, SIGINT},
    {"CtrlBackslash", [](auto& g) { g.type("\x1c"); }, SIGQUIT},
    {"Terminate", [](auto& g) { kill(g.pid, SIGTERM); }, SIGTERM},
    {"Hangup", [](auto& g) { kill(g.pid, SIGHUP); }, SIGHUP},
    {"FailedAssertion", [](auto& g) { kill(g.pid, SIGABRT); }, SIGABRT},
    {"Crash", [](auto& g) { kill(g.pid, SIGSEGV); }, SIGSEGV},
    {"BrokenPipe", [](auto& g) { kill(g.pid, SIGPIPE); }, SIGPIPE},
    // Ctrl-Z: cooked while suspended, single keys again once continued.
    {"Suspend", [](auto& g) { g.type("\x1a"); EXPECT_TRUE(g.settles(&TerminalGame::restored)); kill(g.foreground(), SIGCONT); EXPECT_TRUE(g.settles(&TerminalGame::singleKeys)); g.type("a"); EXPECT_TRUE(g.waitFor("#P E#", 2)); g.type("q"), closeWith(g, "Bye!"); }, 0, true},
};
// clang-format on

class TerminalWayOut : public testing::TestWithParam<WayOut> {};

// Each game first takes a key without Enter and without echoing it.
TEST_P(TerminalWayOut, LeavesTheSettingsAsTheyWere) {
    TerminalGame game(GetParam().asJob);
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#"));
    ASSERT_TRUE(game.singleKeys());
    GetParam().act(game);
    const int status = game.status(), signal = GetParam().signal;
    EXPECT_EQ(signal == 0 ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                          : WIFSIGNALED(status) && WTERMSIG(status) == signal,
              true)
        << status;
    EXPECT_TRUE(game.restored());
    EXPECT_EQ(game.screen.find_first_of("dqx"), std::string::npos) << game.screen;
}

INSTANTIATE_TEST_SUITE_P(Ways, TerminalWayOut, testing::ValuesIn(waysOut),
                         testing::PrintToStringParamName());

}  // namespace
