#pragma once
// The application-wide mouse pointer as Qt's override cursor.

#include "platform/Ports.h"

namespace th {

class QtCursorPort : public CursorPort {
  public:
    ~QtCursorPort() override;
    int16_t shape() override { return shape_; }
    void setShape(int16_t shape) override;

  private:
    int16_t shape_ = 0;
    bool overriding_ = false;
};

}  // namespace th
