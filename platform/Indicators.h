#pragma once
// The window's small state objects: labels, panels and the progress bar. The core
// changes them; whoever shows the window listens and mirrors them.

#include <cstdint>
#include <functional>
#include <string>

namespace th {

class Indicator {
  public:
    using Listener = std::function<void(const Indicator&)>;

    const std::string& caption() const { return caption_; }
    bool visible() const { return visible_; }
    int64_t value() const { return value_; }
    int64_t maximum() const { return maximum_; }

    void setCaption(std::string caption) {
        caption_ = std::move(caption);
        notify();
    }
    void setVisible(bool visible) {
        visible_ = visible;
        notify();
    }
    void setValue(int64_t value) {
        value_ = value;
        notify();
    }
    void setMaximum(int64_t maximum) {
        maximum_ = maximum;
        notify();
    }

    void setListener(Listener listener) { listener_ = std::move(listener); }

  private:
    void notify() const {
        if (listener_) listener_(*this);
    }

    std::string caption_;
    bool visible_ = true;
    int64_t value_ = 0;
    int64_t maximum_ = 100;
    Listener listener_;
};

using Label = Indicator;
using Panel = Indicator;
using ProgressBar = Indicator;

}  // namespace th
