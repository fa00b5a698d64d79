#pragma once

#include <string>

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
