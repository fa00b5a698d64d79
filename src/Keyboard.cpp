#include "Keyboard.h"

#include <cctype>
#include <string>

#include "Gamefield.h"

namespace {

// Bytes that may follow ESC [ before the final byte of a control sequence.
bool isParameter(unsigned char byte) {
    return byte >= ' ' && byte <= '?';
}

bool isFinal(unsigned char byte) {
    return byte >= '@' && byte <= '~';
}

// How long the rest of an escape sequence may take to arrive before a lone
// Escape is taken as a key of its own.
constexpr int escapeWaitMilliseconds = 50;

// Real sequences are a dozen bytes at most; a longer run is garbage and is
// swallowed rather than buffered without end.
constexpr std::size_t longestSequence = 32;

// bytes starts with ESC [.
DecodedKey decodeControlSequence(std::string_view bytes, bool complete) {
    std::size_t at = 2;
    while (at < bytes.size() && at < longestSequence &&
           isParameter(static_cast<unsigned char>(bytes[at]))) {
        ++at;
    }
    if (at == bytes.size() && at < longestSequence && !complete) return {escapeKey, 0};
    if (at < bytes.size() && isFinal(static_cast<unsigned char>(bytes[at]))) {
        return {escapeKey, at + 1};
    }
    // Cut off or broken: what came so far is one Escape, the rest are keys.
    return {escapeKey, at};
}

}  // namespace

DecodedKey decodeKey(std::string_view bytes, bool complete) {
    if (bytes.empty()) return {endOfInput, 0};
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (first != escapeKey) return {first, 1};
    if (bytes.size() == 1) return {escapeKey, complete ? 1U : 0U};
    if (bytes[1] == '[') return decodeControlSequence(bytes, complete);
    if (bytes[1] == 'O') {
        if (bytes.size() > 2) return {escapeKey, 3};
        return {escapeKey, complete ? 2U : 0U};
    }
    // Escape followed by anything else is two keys (Alt+D is Escape, then D).
    return {escapeKey, 1};
}

DecodedKey decodeConsoleKey(std::string_view codes, bool complete) {
    if (codes.empty()) return {endOfInput, 0};
    const auto first = static_cast<unsigned char>(codes[0]);
    if (first != specialKeyPrefix && first != extendedKeyPrefix) return {first, 1};
    if (codes.size() > 1) return {escapeKey, 2};
    return {escapeKey, complete ? 1U : 0U};
}

int command(int key) {
    if (key == endOfInput) return 'q';
    if (key == continuedKey) return continuedKey;
    return std::tolower(static_cast<unsigned char>(key));
}

bool stepFor(int command, std::int32_t& deltaX, std::int32_t& deltaY) {
    for (const Step& step : steps) {
        if (step.key != command) continue;
        deltaX = step.deltaX, deltaY = step.deltaY;
        return true;
    }
    return false;
}

#ifdef _WIN32

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// On a console, keys come from _getch, without echo and without Enter. Keys
// through a pipe or from a file are read byte by byte, untranslated, as on
// every other system. Returns whether keys come from the console.
//
// Only a console answers GetConsoleMode. _isatty would not do: it is true for
// every character device, the null device included, and _getch fails at once
// where no console is attached.
bool takeOverInput() {
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0) return true;
    _setmode(0, _O_BINARY);
    return false;
}

// A console program is not stopped and continued, so nothing asks for a redraw.
bool takeContinued() {
    return false;
}

// A pipe cannot be asked whether more is coming, so a cut-off escape sequence
// waits for the next byte or the end of the input.
bool waitForInput(int /*milliseconds*/) {
    return true;
}

// Some bytes read into buffer, or 0 at the end of the input.
long readInput(bool console, char* buffer, std::size_t size) {
    if (console) {
        // A console that cannot be read any more ends the input, as a pipe's
        // end does, rather than passing the failure on as a key.
        const int code = _getch();
        if (code == EOF) return 0;
        buffer[0] = static_cast<char>(code);
        return 1;
    }
    const int count = _read(0, buffer, static_cast<unsigned>(size));
    return count > 0 ? count : 0;
}

}  // namespace

#elif defined(__EMSCRIPTEN__)

#include <emscripten.h>

namespace {

// On a web page, keys typed into the page's terminal wait in a queue there.
// The game takes them as bytes, just as from a pipe; waiting for them
// suspends the game's call stack until the page has a key for it (Asyncify),
// so getKey blocks here as everywhere else.

// Copies up to size bytes of waiting keys into buffer; how many it copied.
EM_JS(int, takeWaitingKeys, (char* buffer, int size), {
    const keys = Module.cairnTakeKeys(size);
    HEAPU8.set(keys, buffer);
    return keys.length;
});

// Whether a key is waiting, or comes within the time; -1 waits for one.
EM_ASYNC_JS(int, waitForWaitingKeys, (int milliseconds),
            { return await Module.cairnWaitForKeys(milliseconds); });

// The page is not a terminal: there is nothing to take over or give back.
bool takeOverInput() {
    return false;
}

// A page is not stopped and continued.
bool takeContinued() {
    return false;
}

bool waitForInput(int milliseconds) {
    return waitForWaitingKeys(milliseconds) != 0;
}

// Keys from a page never end; a page that is closed takes the game with it.
long readInput(bool /*console*/, char* buffer, std::size_t size) {
    const int room = static_cast<int>(size);
    int count = takeWaitingKeys(buffer, room);
    while (count == 0) {
        waitForWaitingKeys(-1);
        count = takeWaitingKeys(buffer, room);
    }
    return count;
}

}  // namespace

#else

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

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

}  // namespace

#endif

namespace {

// Keys, decoded from what the platform reads: bytes, or a console's key codes.
class KeyReader {
  public:
    KeyReader() : console_(takeOverInput()) {}

    int next() {
        const auto decode = console_ ? decodeConsoleKey : decodeKey;
        for (;;) {
            const auto decoded = decode(pending_, ended_);
            if (decoded.length > 0) return take(decoded);
            if (ended_) return endOfInput;
            if (takeContinued()) return continuedKey;
            if (!pending_.empty() && !waitForInput(escapeWaitMilliseconds)) {
                return take(decode(pending_, true));
            }
            readMore();
        }
    }

  private:
    int take(const DecodedKey& decoded) {
        pending_.erase(0, decoded.length);
        return decoded.key;
    }

    void readMore() {
        char buffer[256];
        const long count = readInput(console_, buffer, sizeof buffer);
        if (count > 0) pending_.append(buffer, static_cast<std::size_t>(count));
        if (count == 0) ended_ = true;
    }

    bool console_;
    std::string pending_;
    bool ended_ = false;
};

// Made on first use, which is when the terminal is taken over.
KeyReader& reader() {
    static KeyReader keys;
    return keys;
}

}  // namespace

void startKeyboard() {
    reader();
}

int getKey() {
    return reader().next();
}
