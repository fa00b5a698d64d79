#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <utmp.h>

#include <csignal>
#include <cstring>

#include "LevelFolder.h"

namespace {

// The game on a pseudo-terminal, run as a shell with job control runs it: in
// a process group of its own in the foreground, its parent in the session
// passing on how it ended (128 plus the signal that ended it). The test keeps
// the slave side open too, so it can read the settings after the game has gone.
// A signal the shell tells the game to ignore, as for a job in the background,
// stays ignored.
class TerminalGame {
  public:
    explicit TerminalGame(int ignored) {
        openpty(&master_, &slave_, nullptr, nullptr, nullptr);
        before_ = settings();
        if ((pid_ = fork()) != 0) return;
        login_tty(slave_);
        if (const pid_t job = fork(); job != 0) {
            int status = 0;
            waitpid(job, &status, 0);
            _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        }
        setpgid(0, 0);
        // As a shell would, whatever the test itself was started to ignore.
        for (const int number : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE})
            std::signal(number, number == ignored ? SIG_IGN : SIG_DFL);
        std::signal(SIGTTOU, SIG_IGN);
        tcsetpgrp(STDIN_FILENO, getpid());
        if (chdir(folder_.path().c_str()) == 0) execl(CAIRN_BINARY, "cairn", nullptr);
        _exit(127);
    }
    ~TerminalGame() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) kill(pid_, SIGKILL), wait(nullptr);
        close(master_), close(slave_);
    }

    // Reads the screen until text shows after what earlier waits found; false after the time.
    bool waitFor(const std::string& text, int milliseconds = 5000) {
        for (char buffer[4096];;) {
            if (const auto at = screen.find(text, seen_); at != std::string::npos) {
                seen_ = at + text.size();
                return true;
            }
            pollfd output{master_, POLLIN, 0};
            const auto got =
                poll(&output, 1, milliseconds) > 0 ? read(master_, buffer, sizeof buffer) : 0;
            if (got <= 0) return false;
            screen.append(buffer, static_cast<std::size_t>(got));
        }
    }
    void type(const std::string& keys) const {
        EXPECT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    void signal(int number) const { kill(tcgetpgrp(master_), number); }
    // The exit status once the game has ended, or -1 if it does not in time.
    int status(int milliseconds = 5000) {
        int status = 0;
        for (int waited = 0; waitpid(pid_, &status, WNOHANG) == 0; usleep(1000))
            if (++waited > milliseconds) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool restored() const {
        const termios now = settings();
        return now.c_lflag == before_.c_lflag && now.c_iflag == before_.c_iflag &&
               std::memcmp(now.c_cc, before_.c_cc, sizeof now.c_cc) == 0;
    }
    // Whether keys come singly, without echo, within a second.
    bool singleKeys(bool wanted = true) const {
        const auto single = [this] {
            return (settings().c_lflag & (ICANON | ECHO | ISIG)) == ISIG;
        };
        for (int tries = 0; tries < 1000 && single() != wanted; ++tries) usleep(1000);
        return single() == wanted;
    }

    std::string screen;

  private:
    termios settings() const {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }

    LevelFolder folder_{{{"1.txt", "#P E#\n"}}};
    int master_ = -1, slave_ = -1;
    pid_t pid_ = -1;
    std::size_t seen_ = 0;
    termios before_{};
};

// A closing line shows before the last key is read, and the game waits for it.
void closeWith(TerminalGame& game, const std::string& message) {
    ASSERT_TRUE(game.waitFor(message));
    EXPECT_EQ(game.status(200), -1) << "ended without its last key";
    game.type("x");
}

struct WayOut {
    const char* name;
    void (*act)(TerminalGame&);
    int signal;       // that ends the game, or 0 for an exit with status 0
    int ignored = 0;  // a signal the game is started to ignore
};

const WayOut waysOut[] = {
    {"Quit", [](TerminalGame& g) { g.type("q"), closeWith(g, "Bye!"); }, 0},
    {"WinTheLastLevel", [](TerminalGame& g) { g.type("d"), closeWith(g, "Gratz, you won!"); }, 0},
    {"LoneEscapeRedrawsAtOnce",
     [](TerminalGame& g) {
         g.type("\x1b");
         EXPECT_TRUE(g.waitFor("# PE#", 500));
         g.type("q"), closeWith(g, "Bye!");
     },
     0},
    {"CtrlC", [](TerminalGame& g) { g.type("\x03"); }, SIGINT},
    // The terminal drops what was typed along with Ctrl-C, so the next key comes after.
    {"CtrlCIgnored",
     [](TerminalGame& g) {
         g.type("\x03"), usleep(200000), g.type("d");
         closeWith(g, "Gratz, you won!");
     },
     0, SIGINT},
    {"CtrlBackslash", [](TerminalGame& g) { g.type("\x1c"); }, SIGQUIT},
    {"Terminate", [](TerminalGame& g) { g.signal(SIGTERM); }, SIGTERM},
    {"Hangup", [](TerminalGame& g) { g.signal(SIGHUP); }, SIGHUP},
    {"FailedAssertion", [](TerminalGame& g) { g.signal(SIGABRT); }, SIGABRT},
    {"Crash", [](TerminalGame& g) { g.signal(SIGSEGV); }, SIGSEGV},
    {"BrokenPipe", [](TerminalGame& g) { g.signal(SIGPIPE); }, SIGPIPE},
    // Ctrl-Z: cooked while suspended; once continued, the frame drawn again at once and single
    // keys again.
    {"Suspend",
     [](TerminalGame& g) {
         g.type("\x1a");
         EXPECT_TRUE(g.singleKeys(false));
         g.signal(SIGCONT);
         EXPECT_TRUE(g.waitFor("# PE#") && g.singleKeys());
         g.type("a");
         EXPECT_TRUE(g.waitFor("#P E#"));
         g.type("q"), closeWith(g, "Bye!");
     },
     0},
};

class TerminalWayOut : public testing::TestWithParam<WayOut> {};

// Each game first takes a key without Enter and without echoing it.
TEST_P(TerminalWayOut, LeavesTheSettingsAsTheyWere) {
    TerminalGame game(GetParam().ignored);
    ASSERT_TRUE(game.waitFor("#P E#"));
    game.type("d");
    ASSERT_TRUE(game.waitFor("# PE#") && game.singleKeys());
    GetParam().act(game);
    EXPECT_EQ(game.status(), GetParam().signal == 0 ? 0 : 128 + GetParam().signal);
    EXPECT_TRUE(game.restored());
    EXPECT_EQ(game.screen.find_first_of("dqx"), std::string::npos) << game.screen;
}

INSTANTIATE_TEST_SUITE_P(Ways, TerminalWayOut, testing::ValuesIn(waysOut),
                         testing::PrintToStringParamName());

}  // namespace
