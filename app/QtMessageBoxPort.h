#pragma once
// Message boxes as QMessageBox, over the window that asks.

#include <QPointer>
#include <QWidget>

#include "platform/Ports.h"

namespace th {

class QtMessageBoxPort : public MessageBoxPort {
  public:
    explicit QtMessageBoxPort(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace th
