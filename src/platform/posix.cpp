// The game on a POSIX terminal (Linux, the BSDs, macOS): single keys without
// echo from a terminal in non-canonical mode, with every way out putting the
// terminal back, or bytes from a pipe or a file; output through write(2).

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "Output.h"
#include "Platform.h"

namespace {

// The settings the terminal had when the game took it over, and the ones it
// plays with. They are file-wide because the signal handlers need them.
termios savedSettings{};
termios playSettings{};
volatile std::sig_atomic_t settingsSaved = 0;
// Set when the game is continued after a stop, for the key reader to pass on.
volatile std::sig_atomic_t continued = 0;

// Puts the terminal back as the game found it. Safe to call any number of
// times and from a signal handler.
void restoreTerminal() {
    if (settingsSaved != 0) tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
}

// Without SA_RESTART in flags, a read that the handler interrupts fails with
// EINTR instead of going on, so the key reader can act on what it noted.
void install(int signal, void (*handler)(int), int flags = SA_RESTART) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Restores the terminal, then dies of the same signal with its usual action,
// so the parent sees how the game ended.
void onFatalSignal(int signal) {
    restoreTerminal();
    install(signal, SIG_DFL);
    raise(signal);
}

// Ctrl-Z: the shell gets a cooked terminal while the game is stopped, and the
// game takes single keys again once it is brought back with fg.
void onSuspend(int /*signal*/) {
    const int savedErrno = errno;
    restoreTerminal();
    install(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);
    sigset_t suspend;
    sigemptyset(&suspend);
    sigaddset(&suspend, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &suspend, nullptr);  // the process stops here
    install(SIGTSTP, onSuspend, 0);
    tcsetattr(STDIN_FILENO, TCSANOW, &playSettings);
    errno = savedErrno;
}

// However the game was stopped, the shell has written over its screen by now.
// Drawing is no work for a handler: it is noted, and the interrupted read
// hands it to the play loop.
void onContinue(int /*signal*/) {
    continued = 1;
}

// Handlers are not put on signals the game was started to ignore, such as
// SIGINT and SIGQUIT for a job started in the background.
void installUnlessIgnored(int signal, void (*handler)(int), int flags = SA_RESTART) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    if (current.sa_handler != SIG_IGN) install(signal, handler, flags);
}

// Every signal that ends a program unless it is caught, crashes included: the
// terminal comes back whatever goes wrong.
constexpr int fatalSignals[] = {
    SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGABRT, SIGPIPE, SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,
    SIGTRAP, SIGSYS,  SIGXCPU, SIGXFSZ, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF,
};

// Single keys, no echo. Output processing and the signal keys (Ctrl-C, Ctrl-\,
// Ctrl-Z) stay as they were.
void startTerminal() {
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &savedSettings) != 0) return;
    playSettings = savedSettings;
    playSettings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    playSettings.c_cc[VMIN] = 1;
    playSettings.c_cc[VTIME] = 0;
    settingsSaved = 1;
    std::atexit(restoreTerminal);
    for (int signal : fatalSignals) installUnlessIgnored(signal, onFatalSignal);
    installUnlessIgnored(SIGTSTP, onSuspend, 0);
    installUnlessIgnored(SIGCONT, onContinue, 0);
    tcsetattr(STDIN_FILENO, TCSANOW, &playSettings);
}

}  // namespace

namespace platform {

// Whether the game has been continued since this was last asked.
bool takeContinued() {
    if (continued == 0) return false;
    continued = 0;
    return true;
}

// Whether input arrives within the time; -1 waits as long as it takes.
bool waitForInput(int milliseconds) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, milliseconds) > 0;
}

// Keys always come from standard input: a terminal in single-key mode, a pipe
// or a file.
bool takeOverInput() {
    startTerminal();
    return false;
}

// Some bytes read into buffer, 0 at the end of the input, or -1 when there is
// nothing yet. Standard input may have been left non-blocking by whoever
// started the game: then this waits for a key rather than taking "nothing yet"
// for the end. Only the end of the input, or a real error, ends it.
long readInput(bool /*console*/, char* buffer, std::size_t size) {
    const auto count = read(STDIN_FILENO, buffer, size);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        waitForInput(-1);
        return -1;
    }
    return errno == EINTR ? -1 : 0;
}

long writeSome(const char* bytes, std::size_t size) {
    return static_cast<long>(write(STDOUT_FILENO, bytes, size));
}

// A non-blocking output that is full says so at once; wait until it drains.
bool waitUntilWritable() {
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd output{STDOUT_FILENO, POLLOUT, 0};
    return poll(&output, 1, -1) >= 0 || errno == EINTR;
}

// The game's own file, from the link the kernel keeps for it.
std::filesystem::path gameFile() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

// A level file written on Windows ends its lines in CR LF; the newline is
// gone by now, and one carriage return goes too.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace platform

// A terminal needs no telling.
void announceLevel(const std::string& /*path*/, std::size_t /*width*/, std::size_t /*height*/) {}
