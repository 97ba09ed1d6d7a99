#include "ui/WindowSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <string>

namespace th {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kFormFontSize = 8;
constexpr const char* kCloseAllowed = "thCloseAllowed";

// Refuses close events unless the window has been allowed to close.
class CloseGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && !watched->property(kCloseAllowed).toBool()) {
            event->ignore();
            return true;
        }
        return false;
    }
};

}  // namespace

const char* formFontFamily() {
    static const std::string family = [] {
        const QString tahoma = QStringLiteral("Tahoma");
        // Asking QFont for a missing family would silently substitute; decide once
        // and say plainly which family is used.
        for (const QString& f : QFontDatabase::families())
            if (f.compare(tahoma, Qt::CaseInsensitive) == 0) return tahoma.toStdString();
        return QApplication::font().family().toStdString();
    }();
    return family.c_str();
}

void g_SetFormFont(QWidget* window) {
    if (!window) return;
    const QString family = QString::fromStdString(formFontFamily());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QFont f = w->font();
        f.setFamily(family);
        f.setPointSize(kFormFontSize);
        w->setFont(f);
    }
}

void g_CenterForm(QWidget* window) {
    if (!window) return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect work = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    if (work.isEmpty()) return;
    // Whole twips, halved, as the window's own scale counts; the work area's origin is
    // not added, so the window centres as if the work area began at the screen's corner.
    const int left = (work.width() * kTwipsPerPixel) / 2 - (frame.width() * kTwipsPerPixel) / 2;
    const int top = (work.height() * kTwipsPerPixel) / 2 - (frame.height() * kTwipsPerPixel) / 2;
    window->move(left / kTwipsPerPixel, top / kTwipsPerPixel);
}

void g_DisableFormClose(QWidget* window) {
    if (!window) return;
    Qt::WindowFlags flags = window->windowFlags();
    const bool visible = window->isVisible();
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (window->windowType() == Qt::Window) flags |= Qt::WindowMinimizeButtonHint;
    flags &= ~Qt::WindowCloseButtonHint;
    window->setWindowFlags(flags);
    if (visible) window->show();  // changing the flags hides a shown window
    window->setProperty(kCloseAllowed, false);
    window->installEventFilter(new CloseGuard(window));
}

void allowFormClose(QWidget* window) {
    if (window) window->setProperty(kCloseAllowed, true);
}

}  // namespace th
