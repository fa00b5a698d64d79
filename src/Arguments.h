#pragma once

#include <cstdint>
#include <string>

// A whole number from least up to most, in plain decimal digits and nothing
// else: no sign, no space, nothing after it.
inline bool wholeNumber(const std::string& text, std::uint64_t least, std::uint64_t most,
                        std::uint64_t& number) {
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    number = std::stoull(text);
    return number >= least && number <= most;
}

// The command line, one argument at a time, for the game and its tools. An
// option's value may be joined to it (--from=7) or follow it (--from 7), as
// command-line programs commonly allow.
class Arguments {
  public:
    Arguments(int argc, char** argv) : count_(argc), values_(argv) {}

    bool done() const { return at_ >= count_; }

    // The next argument, without a value joined to it by '='; the value is kept
    // for value().
    std::string next() {
        std::string argument = values_[at_++];
        const auto equals = argument.find('=');
        joined_ = argument.rfind("--", 0) == 0 && equals != std::string::npos;
        if (joined_) {
            joinedValue_ = argument.substr(equals + 1);
            argument.erase(equals);
        }
        return argument;
    }

    // The value of the option just read; false when it has none.
    bool value(std::string& text) {
        if (joined_) {
            text = joinedValue_;
        } else if (done()) {
            return false;
        } else {
            text = values_[at_++];
        }
        joined_ = false;
        return true;
    }

    // Whether the option just read came with a value that nothing has taken.
    bool valueLeft() const { return joined_; }

  private:
    int count_;
    char** values_;
    int at_ = 1;
    bool joined_ = false;
    std::string joinedValue_;
};
