#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "app/ViolationGridView.h"
#include "tests/app/GridFixture.h"
#include "tests/app/HeaderDrag.h"

namespace th {
namespace {

// Dragged to the front through the header with the mouse, a column becomes the grouping
// key.
TEST(ViolationGridView, DraggingAColumnToTheFrontRegroupsByIt) {
    test::GridFixture f;
    ViolationGridView view{f.form};
    f.addSampleRows();
    f.arrange();
    view.resize(700, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    test::dragSectionToFront(view.header(), 5);
    QStringList groups;  // the grouping column's value in each group row
    for (int i = 0; i < view.gridModel().rowCount(); ++i)
        groups << view.gridModel().index(i, 0).data().toString();
    EXPECT_EQ(groups, (QStringList{"aaaa  (2)", "bbbb  (1)", "cccc  (1)"}));
}

}  // namespace
}  // namespace th
