#include "Keyboard.h"

#include <cctype>
#include <string>

#include "Gamefield.h"
#include "Platform.h"

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

namespace {

// Keys, decoded from what the platform reads: bytes, or a console's key codes.
class KeyReader {
  public:
    KeyReader() : console_(platform::takeOverInput()) {}

    int next() {
        const auto decode = console_ ? decodeConsoleKey : decodeKey;
        for (;;) {
            const auto decoded = decode(pending_, ended_);
            if (decoded.length > 0) return take(decoded);
            if (ended_) return endOfInput;
            if (platform::takeContinued()) return continuedKey;
            if (!pending_.empty() && !platform::waitForInput(escapeWaitMilliseconds)) {
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
        const long count = platform::readInput(console_, buffer, sizeof buffer);
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
