#include <gtest/gtest.h>

#include <QAbstractAxis>
#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QValueAxis>
#include <QXYSeries>
#include <cmath>
#include <ctime>
#include <map>
#include <set>

#include "app/StatisticsDialog.h"
#include "tests/app/GridFixture.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

using Statistics = BanFolderTest;

// The dialog shown at its designed size (a smaller screen makes it smaller).
bool shownAtDesignedSize(StatisticsDialog& dialog) {
    dialog.resize(980, 720);
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

// At the dialog's designed size (a smaller screen makes it smaller) every axis reads in
// full: twenty players' names, the days and twenty years of bans, by year past two years of
// months (they showed as "..." and "2002-1..."), and counts on whole numbers (one ban of a
// reason read "0 0 0 0 0 1"). Names are shown as they are: the axes read their labels as
// HTML, and a name holding markup was obeyed (a heading, a picture, a name hidden); a control
// character shows as \xHH, which a chart saved as SVG can hold.
TEST_F(Statistics, EveryAxisReadsInFullAtTheDialogsSize) {
    sql(db,
        "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES "
        "('aaaa', '[04.16.2017 21:03:11]', '\"A\"', '\"1.2.3.4:5\"', "
        "'\"VIOLATION DETECTED -> (SPEEDHACK) #50123\"')");
    // Twenty years of bans, a month each: the months stood below their bars as "...".
    sql(db,
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 239) "
        "INSERT INTO tblVandrel (GUID, TimeStamp) SELECT 'm' || i, "
        "printf('[%02d.01.%d 10:00:00]', 1 + i % 12, 2000 + i / 12) FROM n;"
        "INSERT INTO tblVandrel (GUID, TimeStamp) VALUES ('undated', 'yesterday')");
    // Violations on days over three months: every day's label showed as "...", and across
    // a new year each whole date as "2002-1...".
    GridFixture f;
    for (int p = 0; p < 20; ++p)
        for (int v = 0; v <= p % 3; ++v) {
            const int day = 1 + (p * 7 + v) % 28;
            f.add({p == 0 ? "<h1>Big</h1>&\x1B" : "Player number " + std::to_string(p), "(AIMBOT)",
                   "50001",
                   (p % 3 == 0 ? "[12" : "[0" + std::to_string(p % 3)) +
                       (day < 10 ? ".0" : ".") + std::to_string(day) +
                       (p % 3 == 0 ? ".2002" : ".2003") + " 10:00:00]",
                   "(slot #1)", "g" + std::to_string(p), "1.2.3.4:5"});
        }
    StatisticsDialog dialog(f.form);
    ASSERT_TRUE(shownAtDesignedSize(dialog));
    auto* tabs = dialog.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    int axes = 0;
    std::set<std::string> titles;
    QStringList shown;
    for (int t = 0; t < tabs->count(); ++t) {
        tabs->setCurrentIndex(t);
        QTest::qWait(100);
        for (QChartView* view : tabs->widget(t)->findChildren<QChartView*>()) {
            const std::string title = view->chart()->title().toStdString();
            titles.insert(title);
            for (QGraphicsItem* item : view->scene()->items())
                if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
                    shown << text->toPlainText();
            for (QAbstractAxis* axis : view->chart()->axes()) {
                ++axes;
                EXPECT_FALSE(axis->labelsTruncated()) << title;
                // Ticks between days named a day twice.
                if (auto* time = qobject_cast<QDateTimeAxis*>(axis)) {
                    EXPECT_EQ(time->min().msecsTo(time->max()) %
                                  ((time->tickCount() - 1) * 86400000LL),
                              0)
                        << title;
                }
                if (auto* counts = qobject_cast<QValueAxis*>(axis);
                    counts && !qobject_cast<QCategoryAxis*>(axis)) {
                    const double step = (counts->max() - counts->min()) / (counts->tickCount() - 1);
                    EXPECT_EQ(step, std::round(step)) << title;
                }
            }
        }
    }
    EXPECT_GE(axes, 10);
    // Said in words that agree: "1 without a readable time stamp are left out of the
    // months", below bars of years.
    QStringList summaries;
    for (QLabel* label : tabs->findChildren<QLabel*>()) summaries << label->text();
    EXPECT_TRUE(summaries.contains(
        QStringLiteral("242 bans in %1; 1 ban without a readable time stamp is left out of the "
                       "years.")
            .arg(QString::fromStdString(db))))
        << summaries.join('|').toStdString();
    EXPECT_TRUE(shown.contains("<h1>Big</h1>&\\x1B")) << shown.join('|').toStdString();
    // Tab goes from the tabs through the page (it scrolls) to the buttons, passing the
    // charts by.
    tabs->tabBar()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Save as &PNG...");
    EXPECT_TRUE(titles.contains("Bans per year")) << "past two years of months";

    // Saved through the safe writer, or an error that says why.
    ASSERT_TRUE(dialog.saveCurrentTab(QString::fromStdString(dir + "/charts.png")));
    EXPECT_TRUE(readBytes(dir + "/charts.png").starts_with("\x89PNG"));
    EXPECT_THROW(dialog.saveCurrentTab(QString::fromStdString(dir + "/none/charts.svg")), Error);
}

// Under a dark palette the charts are dark too: the light theme's white cards glared.
TEST_F(Statistics, ChartsTakeADarkPalette) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    GridFixture f;
    f.add({"Bob", "(AIMBOT)", "50001", "[04.16.2017 21:03:11]", "(slot #1)", "g", "1.2.3.4:5"});
    StatisticsDialog dialog(f.form);
    QApplication::setPalette(before);
    const QList<QChartView*> views = dialog.findChildren<QChartView*>();
    ASSERT_FALSE(views.empty());
    for (QChartView* view : views) EXPECT_EQ(view->chart()->theme(), QChart::ChartThemeDark);
}

// The dialog's chart whose title starts so, if any.
QChartView* chart(const StatisticsDialog& dialog, const QString& title) {
    for (QChartView* view : dialog.findChildren<QChartView*>())
        if (view->chart()->title().startsWith(title)) return view;
    return nullptr;
}

// Reasons that read alike once the common lead is cut are one bar of their sum: a second
// bar of a label once slid every later count onto the wrong reason. Violations of one day
// only are a mark on that day: a line of one point drew nothing.
TEST_F(Statistics, ReasonsThatReadAlikeAreOneBarAndOneDaysViolationsAreShown) {
    sql(db,
        "INSERT INTO tblVandrel (GUID, TimeStamp, ViolationReason) VALUES "
        "('a', '', '\"VIOLATION DETECTED -> (AIMBOT) #50001\"'),"
        "('b', '', '\"VIOLATION DETECTED -> (AIMBOT) #50001\"'),"
        "('c', '', '\"(AIMBOT) #50001\"'), ('d', '', '\"(WALLHACK) #1\"')");
    GridFixture f;
    for (int v = 0; v < 3; ++v)
        f.add({"P", "(AIMBOT)", "50001", "[01.12.2026 10:00:0" + std::to_string(v) + "]",
               "(slot #1)", "g", "1.2.3.4:5"});
    StatisticsDialog dialog(f.form);
    ASSERT_TRUE(shownAtDesignedSize(dialog));

    QChartView* reasons = chart(dialog, "Bans per reason");
    ASSERT_NE(reasons, nullptr);
    auto* bars = qobject_cast<QAbstractBarSeries*>(reasons->chart()->series().at(0));
    auto* axis = qobject_cast<QBarCategoryAxis*>(reasons->chart()->axes(Qt::Vertical).at(0));
    ASSERT_TRUE(bars && axis);
    std::map<std::string, qreal> counts;
    for (int i = 0; i < axis->count(); ++i)
        counts[axis->categories().at(i).toStdString()] = bars->barSets().at(0)->at(i);
    EXPECT_EQ(counts, (std::map<std::string, qreal>{{"(AIMBOT) #50001", 3}, {"(WALLHACK) #1", 1}}));
    EXPECT_EQ(axis->categories().last(), "(AIMBOT) #50001") << "most first, on top";

    QChartView* days = chart(dialog, "Violations per day");
    ASSERT_NE(days, nullptr);
    auto* series = qobject_cast<QXYSeries*>(days->chart()->series().at(0));
    ASSERT_NE(series, nullptr);
    days->resize(600, 400);
    const QImage shown = days->grab().toImage();
    const QRect plot = days->chart()->plotArea().toRect();
    int marked = 0;
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        for (int x = plot.left(); x <= plot.right(); ++x)
            marked += shown.pixelColor(x, y) == series->color();
    EXPECT_GT(marked, 10) << marked;
    // Its day is named once, between the days either side: ticks between days named them
    // twice ("04-15 04-15 04-16 04-16 04-16").
    auto* time = qobject_cast<QDateTimeAxis*>(days->chart()->axes(Qt::Horizontal).at(0));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->tickCount(), 3);
    EXPECT_EQ(time->min().msecsTo(time->max()), 2 * 86400000LL);
    // Above it, room: the mark on the top edge was cut in half.
    auto* perDay = qobject_cast<QValueAxis*>(days->chart()->axes(Qt::Vertical).at(0));
    ASSERT_NE(perDay, nullptr);
    EXPECT_GT(perDay->max(), 3);
}

// The log's days are named as the log names them in any zone of the computer: a day
// placed at midnight UTC was named the day before west of Greenwich. New York's clocks go
// forward on 03.12.2017 and back on 11.05.2017; Samoa skipped 12.30.2011, and a chart across
// it named the days after it one day late. Without a day, none is named: the axis named
// days around 1970.
TEST_F(Statistics, DaysAreNamedAsTheLogNamesThemInEveryZone) {
    const QByteArray zoneBefore = qgetenv("TZ");
    const QStringList spring = {"03-11", "03-12", "03-13"};
    const struct {
        const char* zone;
        std::vector<std::string> stamps;
        QStringList named;
    } cases[] = {
        {"America/New_York", {"[03.11.2017 23:59:59]", "[03.13.2017 00:00:00]"}, spring},
        {"America/New_York", {"[11.04.2017 23:59:59]", "[11.06.2017 00:00:00]"},
         {"11-04", "11-05", "11-06"}},
        {"Pacific/Kiritimati", {"[03.11.2017 23:59:59]", "[03.13.2017 00:00:00]"}, spring},
        {"UTC", {"[03.11.2017 23:59:59]", "[03.13.2017 00:00:00]"}, spring},
        {"Pacific/Apia", {"[12.29.2011 10:00:00]", "[12.31.2011 10:00:00]"}, {"12-29", "12-31"}},
        {"UTC", {"[soon]"}, {}},
    };
    for (const auto& [zone, stamps, days] : cases) {
        qputenv("TZ", zone);
        tzset();
        GridFixture f;
        for (const std::string& stamp : stamps)
            f.add({"P", "(AIMBOT)", "50001", stamp, "(slot #1)", "g", "1.2.3.4:5"});
        StatisticsDialog dialog(f.form);
        ASSERT_TRUE(shownAtDesignedSize(dialog));
        QChartView* chartOfDays = chart(dialog, "Violations per day");
        ASSERT_NE(chartOfDays, nullptr);
        QStringList named;
        for (QGraphicsItem* item : chartOfDays->scene()->items())
            if (auto* text = dynamic_cast<QGraphicsTextItem*>(item);
                text && text->toPlainText().contains('-') && !text->toPlainText().contains(' '))
                named << text->toPlainText();
        named.sort();
        EXPECT_EQ(named, days) << zone << " " << stamps.front() << ": "
                               << named.join(",").toStdString();
    }
    if (zoneBefore.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zoneBefore);
    tzset();
}

}  // namespace
}  // namespace th::test
