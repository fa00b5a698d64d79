#include "Output.h"

#include <cerrno>
#include <cstddef>
#include <iostream>
#include <streambuf>
#include <string>

#ifdef _WIN32
#include <io.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

// A console program's output keeps its text mode, so each newline leaves as
// CR LF.
long writeSome(const char* bytes, std::size_t size) {
    const unsigned chunk = size > 1U << 30 ? 1U << 30 : static_cast<unsigned>(size);
    return _write(1, bytes, chunk);
}

bool waitUntilWritable() {
    return false;
}

#elif defined(__EMSCRIPTEN__)

// On a web page the bytes go to the page's terminal in one call, a frame at
// a time, as they would go to a terminal in one write.
EM_JS(void, writeToPage, (const char* bytes, std::size_t size),
      { Module.cairnWrite(HEAPU8.slice(bytes, bytes + size)); });

long writeSome(const char* bytes, std::size_t size) {
    writeToPage(bytes, size);
    return static_cast<long>(size);
}

bool waitUntilWritable() {
    return false;
}

EM_JS(void, levelToPage, (const char* path, std::size_t width, std::size_t height),
      { Module.cairnLevel(UTF8ToString(path), width, height); });

#else

long writeSome(const char* bytes, std::size_t size) {
    return static_cast<long>(write(STDOUT_FILENO, bytes, size));
}

// A non-blocking output that is full says so at once; wait until it drains.
bool waitUntilWritable() {
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd output{STDOUT_FILENO, POLLOUT, 0};
    return poll(&output, 1, -1) >= 0 || errno == EINTR;
}

#endif

// Writes all of bytes, going on from where a short write stopped. Returns 0,
// or the error number of a write that cannot go on.
int writeAll(const char* bytes, std::size_t size) {
    while (size > 0) {
        const long written = writeSome(bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == 0 || (errno != EINTR && !waitUntilWritable())) {
            return written == 0 ? EIO : errno;
        }
    }
    return 0;
}

// Collects small insertions until a flush; a big one on an empty buffer, such
// as a frame of a big level, is written straight from the caller's bytes, so it
// is never copied again.
class OutputBuffer : public std::streambuf {
  public:
    OutputBuffer() : original_(std::cout.rdbuf(this)) {}
    ~OutputBuffer() override {
        sync();
        std::cout.rdbuf(original_);
    }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    int error() const { return error_; }

  protected:
    int_type overflow(int_type byte) override {
        if (error_ != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(byte, traits_type::eof())) {
            pending_ += traits_type::to_char_type(byte);
        }
        return traits_type::not_eof(byte);
    }

    std::streamsize xsputn(const char* bytes, std::streamsize size) override {
        if (error_ != 0) return 0;
        const auto count = static_cast<std::size_t>(size);
        if (pending_.empty() && count >= straightThrough) {
            error_ = writeAll(bytes, count);
            return error_ == 0 ? size : 0;
        }
        pending_.append(bytes, count);
        return size;
    }

    int sync() override {
        if (error_ == 0 && !pending_.empty()) error_ = writeAll(pending_.data(), pending_.size());
        pending_.clear();
        return error_ == 0 ? 0 : -1;
    }

  private:
    static constexpr std::size_t straightThrough = 1 << 16;

    std::streambuf* original_;
    std::string pending_;
    int error_ = 0;
};

OutputBuffer& buffer() {
    static OutputBuffer output;
    return output;
}

}  // namespace

void startOutput() {
    buffer();
}

int outputError() {
    return buffer().error();
}

#ifdef __EMSCRIPTEN__
void announceLevel(const std::string& path, std::size_t width, std::size_t height) {
    levelToPage(path.c_str(), width, height);
}
#else
void announceLevel(const std::string& /*path*/, std::size_t /*width*/, std::size_t /*height*/) {}
#endif
