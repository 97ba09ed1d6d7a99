#include "app/QtMessageBoxPort.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <vector>

#include "app/DisplayText.h"

namespace th {

namespace {

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The buttons in the order the box shows them.
std::vector<std::pair<QMessageBox::StandardButton, MsgResult>> qtButtons(MsgButtons buttons) {
    using B = QMessageBox;
    switch (buttons) {
        case MsgButtons::OkCancel:
            return {{B::Ok, MsgResult::Ok}, {B::Cancel, MsgResult::Cancel}};
        case MsgButtons::AbortRetryIgnore:
            return {{B::Abort, MsgResult::Abort},
                    {B::Retry, MsgResult::Retry},
                    {B::Ignore, MsgResult::Ignore}};
        case MsgButtons::YesNoCancel:
            return {
                {B::Yes, MsgResult::Yes}, {B::No, MsgResult::No}, {B::Cancel, MsgResult::Cancel}};
        case MsgButtons::YesNo:
            return {{B::Yes, MsgResult::Yes}, {B::No, MsgResult::No}};
        case MsgButtons::RetryCancel:
            return {{B::Retry, MsgResult::Retry}, {B::Cancel, MsgResult::Cancel}};
        case MsgButtons::Ok:
            break;
    }
    return {{B::Ok, MsgResult::Ok}};
}

// A box taller than the screen would hide its buttons: a longer text shows its first lines,
// and the whole of it scrolls under Show Details.
constexpr qsizetype kShownLines = 20;

void setBoxText(QMessageBox& box, const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= kShownLines) {
        box.setText(text);
        return;
    }
    box.setText(lines.first(kShownLines).join(QLatin1Char('\n')) +
                QStringLiteral("\n\n... and %1 more lines: Show Details... lists them all.")
                    .arg(lines.size() - kShownLines));
    box.setDetailedText(text);
}

}  // namespace

MsgResult QtMessageBoxPort::show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                                 const std::string& title, MsgResult defaultButton) {
    // Lines come joined by CR LF; the label wants bare line feeds.
    QString text = displayText(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QWidget* parent = owner_ ? owner_.data() : QApplication::activeWindow();
    QMessageBox box(qtIcon(icon), displayText(title), QString(), QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    setBoxText(box, text);
    auto order = qtButtons(buttons);
    QMessageBox::StandardButton pressedOnReturn = order.front().first;
    for (auto [button, result] : order) {
        box.addButton(button);
        if (result == defaultButton) pressedOnReturn = button;
    }
    box.setDefaultButton(pressedOnReturn);
    // A box shown from long work (a failed merge, reset or lifting) waits for the user: the
    // hourglass over the application does not cover it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
    auto clicked = box.standardButton(box.clickedButton());
    for (auto [button, result] : order)
        if (button == clicked) return result;
    // Closed without a button: the box's cancel answer, or its only button.
    for (auto [button, result] : order)
        if (result == MsgResult::Cancel || result == MsgResult::No) return result;
    return order.front().second;
}

}  // namespace th
