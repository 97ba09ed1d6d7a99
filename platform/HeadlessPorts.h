#pragma once
// The ports of a program without a desktop (the command-line tool, the fuzzing
// harnesses): the pointer's shape is only remembered, there are no window events to run,
// and the shell launches nothing, as if nothing were installed to open a file with.

#include <string>
#include <vector>

#include "platform/Ports.h"

namespace th {

class HeadlessCursor : public CursorPort {
  public:
    int16_t shape() override { return shape_; }
    void setShape(int16_t s) override { shape_ = s; }

  private:
    int16_t shape_ = 0;
};

class HeadlessEvents : public EventsPort {
  public:
    void processEvents() override {}
    void repaintNow() override {}
};

class HeadlessShell : public ShellPort {
  public:
    int64_t openDocument(const std::string&) override { return 2; }
    int64_t openUrl(const std::string&) override { return 2; }
    int64_t startProgram(const std::string&, const std::vector<std::string>&) override { return 2; }
    std::string findExecutable(const std::string&) override { return {}; }
    int64_t launchProgram(const std::string&, const std::vector<std::string>&, const std::string&,
                          bool) override {
        return 2;
    }
    bool showProperties(const std::string&, int32_t) override { return false; }
};

}  // namespace th
