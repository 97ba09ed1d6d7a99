#pragma once
// The tool's standard output: bytes go to the descriptor in large writes, and the cause of
// the first write that failed is kept. A command asks whether its output was written only
// at its end, when errno has long since been overwritten.

#include <streambuf>
#include <vector>

namespace th::cli {

class StandardOutput : public std::streambuf {
  public:
    explicit StandardOutput(int fd);
    ~StandardOutput() override;
    StandardOutput(const StandardOutput&) = delete;
    StandardOutput& operator=(const StandardOutput&) = delete;

    // The errno of the first write that failed; 0 while none has.
    int failure() const { return failure_; }
    // Whether the descriptor is a terminal, where a person reads what is printed.
    bool terminal() const { return terminal_; }

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    // Writes what the buffer holds; with more to follow, perhaps all but its last byte.
    bool drain(bool more = false);

    int fd_;
    bool terminal_;  // what is printed there is shown, not kept: see platform/WriteAll.h
    int failure_ = 0;
    std::vector<char> buffer_;
};

}  // namespace th::cli
