#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include "app/DesktopIdentity.h"

namespace th {
namespace {

// The window names its desktop entry and shows the program's icon, built in where no icon
// theme has it: it once showed a blank one, under no launcher.
TEST(DesktopIdentity, TheWindowNamesItsDesktopEntryAndHasTheIcon) {
    setDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "net.oakmere.Tallyhound");
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(48, 48).isNull());
}

}  // namespace
}  // namespace th
