// The game on Windows: keys from the console through _getch, or bytes from a
// pipe or a file; output in the console's text mode.

#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "Platform.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "Output.h"

namespace platform {

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

// A console program's output keeps its text mode, so each newline leaves as
// CR LF.
long writeSome(const char* bytes, std::size_t size) {
    const unsigned chunk = size > 1U << 30 ? 1U << 30 : static_cast<unsigned>(size);
    return _write(1, bytes, chunk);
}

bool waitUntilWritable() {
    return false;
}

std::filesystem::path gameFile() {
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::filesystem::path(name, name + length)
                                           : std::filesystem::path();
}

// Text mode has read CR LF as a newline already.
void dropCarriageReturn(std::string& /*line*/) {}

}  // namespace platform

// A console needs no telling.
void announceLevel(const std::string& /*path*/, std::size_t /*width*/, std::size_t /*height*/) {}
