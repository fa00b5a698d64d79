#include "Output.h"

#include <cerrno>
#include <cstddef>
#include <iostream>
#include <streambuf>
#include <string>

#include "Platform.h"

namespace {

// Writes all of bytes, going on from where a short write stopped. Returns 0,
// or the error number of a write that cannot go on.
int writeAll(const char* bytes, std::size_t size) {
    while (size > 0) {
        const long written = platform::writeSome(bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == 0 || (errno != EINTR && !platform::waitUntilWritable())) {
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
