#pragma once
// A name that one process on this computer holds at a time, given up when the process ends
// however it ends (a kill too): an abstract Unix socket named after it. Where there are none
// (not Linux), every process holds it.

#include <string_view>

namespace th {

class SingleRun {
  public:
    explicit SingleRun(std::string_view name);
    ~SingleRun();
    SingleRun(const SingleRun&) = delete;
    SingleRun& operator=(const SingleRun&) = delete;

    // Whether this process holds the name: false while another does.
    bool held() const { return held_; }

  private:
    int socket_ = -1;
    bool held_ = true;
};

}  // namespace th
