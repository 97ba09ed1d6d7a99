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
    using MessageBoxPort::show;
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title, MsgResult defaultButton) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace th
