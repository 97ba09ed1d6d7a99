#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "app/BanBrowserDialog.h"
#include "app/BanTableModel.h"
#include "platform/CCursor.h"
#include "tests/app/GridFixture.h"
#include "tests/bans/BanTestSupport.h"

namespace th::test {
namespace {

class BanBrowser : public BanFolderTest {
  protected:
    void SetUp() override {
        BanFolderTest::SetUp();
        QSettings().clear();
        sql(db,
            "INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName, IP, ViolationReason) VALUES "
            "('aaaa', '[04.16.2017 21:03:11]', '\"Jay``yz\"', '\"198.51.100.7\"', '\"AIMBOT\"'),"
            "('BBBB', '[01.02.2016 00:00:00]', CAST(X'22636166E922' AS TEXT), '\"192.0.2.1\"', "
            "'\"WALLHACK\"'),"
            "('cccc', '[12.31.2016 23:59:59]', '\"Nobody\"', '\"10.0.0.7\"', '');"
            "INSERT INTO tblTempBans (TempBan) VALUES (';[x] tempban')");
        writeBytes(bans, crlf({"[04.16.2017 21:03:11] aaaa \"Jay'yz\" \"198.51.100.7\" \"AIMBOT\"",
                               "", ";[x] tempban"}));
    }
    // Adds bans g1000, g1001, ... of players "Filler 0", "Filler 1", ...
    void addBans(int count) {
        sql(db, "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(count - 1) +
                    ") INSERT INTO tblVandrel (GUID, TimeStamp, PlayerName) SELECT 'g' || "
                    "(1000 + i), '[01.01.2018 00:00:00]', '\"Filler ' || i || '\"' FROM n");
    }
    // Shows the window and gives it the keyboard; whether it came up.
    static bool active(BanBrowserDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        return QTest::qWaitForWindowActive(&dialog);
    }
    static QStringList column(const QTableView& table, int c) {
        QStringList out;
        for (int r = 0; r < table.model()->rowCount(); ++r)
            out << table.model()->index(r, c).data().toString();
        return out;
    }
    // The last box's text.
    std::string said() const { return f.scripted.messages.shown.back().prompt; }

    GridFixture f;
};

// A search that finds more bans than it counts says so (how far a search counts is the
// store's test); without a search, every ban is shown and counted.
TEST_F(BanBrowser, ASearchSaysWhenItFoundMoreThanItCounts) {
    addBans(10001);
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen());
    EXPECT_EQ(dialog.statusLine()->text(), "10004 bans, 10004 shown") << "no search: all of them";
    dialog.searchBox()->setText("filler");
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return dialog.statusLine()->text() == "10004 bans, more than 10000 shown";
    })) << dialog.statusLine()->text().toStdString();
}

// A search the database cannot run (its search index dropped by hand) is an error box,
// never the end of the program.
TEST_F(BanBrowser, ASearchTheDatabaseCannotRunIsAnErrorBox) {
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen());
    sql(db, "DROP TABLE tblVandrelSearch");
    dialog.searchBox()->setText("Jay");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.scripted.messages.shown.empty(); }));
    EXPECT_EQ(f.scripted.messages.shown.front().prompt,
              "The ban database could not be read        \r\n" + db +
                  ": no such table: tblVandrelSearch -2147467259        \r\n" +
                  "Check that the ban database " + db +
                  " can be read; the bans read so far are shown.        ");
    EXPECT_EQ(dialog.statusLine()->text(), "3 bans, 0 shown");

    // Temp bans that cannot be read when the window opens: the box, and the bans.
    sql(db, "DROP VIEW qrySelectAllTempBans");
    BanBrowserDialog noTempBans(f.form);
    EXPECT_TRUE(noTempBans.isOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.scripted.messages.shown.size() == 2; }));
}

// A database that is not there, or a first page that cannot be read: the window says so and
// does not open. Where there is none, the advice is to make one, not to check it can be read.
TEST_F(BanBrowser, AWindowWithoutItsFirstPageSaysSo) {
    setDatabasePath(dir + "/none.mdb");
    BanBrowserDialog missing(f.form);
    setDatabasePath(db);
    EXPECT_FALSE(missing.isOpen());
    EXPECT_NE(said().find("make one there with tallyhound-cli db init --db " + dir + "/none.mdb"),
              std::string::npos)
        << said();

    sql(db, "ALTER TABLE tblVandrel RENAME COLUMN ViolationReason TO Renamed");
    BanBrowserDialog dialog(f.form);
    EXPECT_FALSE(dialog.isOpen());
    ASSERT_EQ(f.scripted.messages.shown.size(), 2u);
    EXPECT_TRUE(said().starts_with("The ban database could not be opened        \r\n" + db +
                                   ": no such column: ViolationReason"))
        << said();
}

TEST_F(BanBrowser, SearchesSortsCopiesShowsTempBansAndIsReachedByKeys) {
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen() && active(dialog));
    QTableView& table = *dialog.table();
    EXPECT_EQ(column(table, BanTableModel::GuidColumn), (QStringList{"BBBB", "cccc", "aaaa"}));
    // Names as written: quotes gone, apostrophe back, the 8-bit byte decoded.
    EXPECT_EQ(column(table, BanTableModel::NameColumn),
              (QStringList{QString::fromUtf8("café"), "Nobody", "Jay'yz"}));

    // The keyboard reaches every part: Tab goes from the search through the bans and the
    // names they were seen with to the buttons (it once went round the bans' cells for ever),
    // and Alt+S comes back to the search.
    dialog.searchBox()->setFocus();
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        visited << (qobject_cast<QPushButton*>(now) ? qobject_cast<QPushButton*>(now)->text()
                                                    : now->objectName());
        // The bans reached with nothing selected select the row the focus is on.
        EXPECT_TRUE(i > 0 || dialog.table()->selectionModel()->isRowSelected(0));
    }
    EXPECT_EQ(visited, (QStringList{"bans", "aliases", "&Unban...", "&Copy"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.searchBox());

    // Spaces around what is typed (a GUID pasted with them) are not searched for. Return
    // searches at once and goes to the bans found: it closed the window. A ban another
    // program merged meanwhile is counted: the total stayed as the window opened.
    sql(db, "INSERT INTO tblVandrel (GUID) VALUES ('dddd')");
    QTest::keyClicks(dialog.searchBox(), " 19 ");
    QTest::keyClick(dialog.searchBox(), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), dialog.table());
    EXPECT_TRUE(table.selectionModel()->isRowSelected(0)) << "for Delete to lift";
    EXPECT_EQ(dialog.statusLine()->text(), "4 bans, 2 shown");
    EXPECT_EQ(column(table, BanTableModel::GuidColumn), (QStringList{"BBBB", "aaaa"}));
    sql(db, "DELETE FROM tblVandrel WHERE GUID = 'dddd'");
    dialog.searchBox()->clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.statusLine()->text() == "3 bans, 3 shown"; }));

    // A click on a header sorts by that column.
    QHeaderView* header = table.horizontalHeader();
    header->moveSection(BanTableModel::IpColumn, 0);  // dragged first: copied first
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(BanTableModel::IpColumn) + 5, 5));
    EXPECT_EQ(column(table, BanTableModel::IpColumn),
              (QStringList{"10.0.0.7", "192.0.2.1", "198.51.100.7"}));

    table.selectRow(0);
    dialog.copySelected();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "10.0.0.7\tcccc\tNobody\t\t[12.31.2016 23:59:59]\n");
    EXPECT_EQ(dialog.tempBans()->toPlainText(), ";[x] tempban\n");
}

// A list longer than a page: a sort or a search shows its top, wherever the view was
// scrolled to (it once kept its place, and the first rows a user saw were from the middle),
// and Ctrl+A, Ctrl+C copy every ban and Ctrl+End goes to the last, not only the pages the
// table had read.
TEST_F(BanBrowser, AListLongerThanAPageStartsAtTheTopAndCopiesWhole) {
    addBans(300);  // more than a page of the table holds: 303 in all
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen() && active(dialog));
    QTableView& table = *dialog.table();
    ASSERT_LT(table.model()->rowCount(), 303) << "read a page at a time";
    // Rows a line high, as in the main grid: twice that showed few bans at a time.
    EXPECT_LT(table.rowHeight(0), 3 * table.fontMetrics().height() / 2);
    // Every row selected is every ban of the list, for Copy and for a lifting, which once
    // asked to lift the first page's.
    size_t asked = 0;
    dialog.askToLift = [&](const std::vector<std::string>& bans) {
        asked = bans.size();
        return std::optional<QString>();
    };
    table.selectAll();
    dialog.unbanSelected();
    EXPECT_EQ(asked, 303u);
    dialog.copySelected();
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 303);
    // Ctrl+End goes to the last ban, not the last of the pages read, and selects it alone:
    // it added it to the selection as a Ctrl+click would, and pressed again left only a ban
    // out of sight selected, for Delete to lift.
    table.sortByColumn(BanTableModel::GuidColumn, Qt::AscendingOrder);
    table.setFocus();
    for (int press = 0; press < 2; ++press) {
        QTest::keyClick(&table, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(
            table.currentIndex().siblingAtColumn(BanTableModel::GuidColumn).data().toString(),
            "g1299");
        EXPECT_EQ(table.selectionModel()->selectedRows(),
                  QModelIndexList{table.model()->index(302, 0)});
    }

    QScrollBar* bar = table.verticalScrollBar();
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { table.sortByColumn(BanTableModel::GuidColumn, Qt::DescendingOrder); },
             [&] { QTest::keyClicks(dialog.searchBox(), "g1"); }}) {
        bar->setValue(bar->maximum());
        ASSERT_GT(bar->value(), 0);
        change();
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 0; })) << bar->value();
    }
}

// The question's own box: what is typed goes into the note; Return there neither lifts nor
// answers No (it did, and the note typed was gone without a word); Escape or Alt+N says No
// (Alt+N, the note's key too, only went back to the note) and Alt+Y lifts with the note.
TEST_F(BanBrowser, TheLiftQuestionTakesANoteAsTypedAndReturnAnswersNothing) {
    BanBrowserDialog dialog(f.form);
    for (const auto& [key, answer] : std::vector<std::pair<QKeyCombination, QString>>{
             {QKeyCombination(Qt::Key_Escape), QString()},
             {QKeyCombination(Qt::AltModifier, Qt::Key_N), QString()},
             {QKeyCombination(Qt::AltModifier, Qt::Key_Y), QStringLiteral("paid appeal")}}) {
        bool openAfterReturn = false;
        QTimer::singleShot(50, [key, &openAfterReturn] {
            QWidget* typedInto = QApplication::focusWidget();
            QTest::keyClicks(typedInto, "paid appeal");
            QTest::keyClick(typedInto, Qt::Key_Return);
            QPointer<QWidget> box = QApplication::activeModalWidget();
            openAfterReturn = box != nullptr;
            QTest::keyClick(typedInto, key.key(), key.keyboardModifiers());
            // A key that answers nothing would leave the test waiting for ever.
            QTimer::singleShot(1000, [box] {
                if (!box) return;
                ADD_FAILURE() << "the key did not answer";
                box->close();
            });
        });
        EXPECT_EQ(dialog.askToLift({"Jay (aaaa)"}).value_or(QString()), answer);
        EXPECT_TRUE(openAfterReturn);
    }
}

// The question shows each name as a unit of its own, its control and direction characters
// written out and a long one cut: a direction override (U+202E) in a name showed the GUID
// after it reversed, and a name of 500 letters put the question's buttons beyond the screen.
// The list shows them written out too: the override turned the name around.
TEST_F(BanBrowser, TheLiftQuestionShowsANameApartFromItsGuid) {
    sql(db,
        "UPDATE tblVandrel SET PlayerName = '\"' || char(0x202E) || 'Namer' || char(27) || '\"' "
        "WHERE GUID = 'aaaa'; UPDATE tblVandrel SET PlayerName = '\"' || printf('%.500c', 'L') || "
        "'\"' WHERE GUID = 'cccc'");
    BanBrowserDialog dialog(f.form);
    std::vector<std::string> asked;
    dialog.askToLift = [&](const std::vector<std::string>& bans) {
        asked = bans;
        return std::optional<QString>();
    };
    dialog.table()->selectAll();
    dialog.unbanSelected();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "\u2068" + std::string(64, 'L') + "\u2026\u2069 (cccc)",
                         "\u2068\\u202ENamer\\x1B\u2069 (aaaa)", "\u2068caf\u00e9\u2069 (BBBB)"}));
    EXPECT_TRUE(column(*dialog.table(), BanTableModel::NameColumn).contains("\\u202ENamer\\x1B"));
}

// Unban asks first: No changes nothing; it is greyed while a merge runs and on the Temp bans
// page.
TEST_F(BanBrowser, UnbanAsksFirstAndIsGreyedWhileItCannotAct) {
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen() && active(dialog));
    dialog.table()->setFocus();
    std::vector<std::string> asked;
    dialog.askToLift = [&](const std::vector<std::string>& bans) {
        asked = bans;
        return std::optional<QString>();  // No
    };
    dialog.table()->selectAll();
    QTest::keyClick(dialog.table(), Qt::Key_Delete);
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(dialog.statusLine()->text(), "3 bans, 3 shown") << "No changes nothing";

    dialog.setChangesEnabled(false);  // a merge runs
    QTest::keyClick(dialog.table(), Qt::Key_Delete);
    EXPECT_FALSE(dialog.unbanButton()->isEnabled());
    dialog.setChangesEnabled(true);

    // The Temp bans page hides the selection that Unban and Copy would act on.
    QPushButton* copy = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == "&Copy") copy = b;
    ASSERT_NE(copy, nullptr);
    dialog.tabs()->setCurrentIndex(1);
    EXPECT_FALSE(dialog.unbanButton()->isEnabled() || copy->isEnabled());
    dialog.tabs()->setCurrentIndex(0);
    EXPECT_TRUE(dialog.unbanButton()->isEnabled() && copy->isEnabled());
}

// A lifting runs aside: the window answers meanwhile (its own Cancel is pressed here while
// the lifting runs) and Cancel says the ban file and the database are as they were (that
// they are is the ban file changes' test of a stopped lifting). The next one lifts the ban
// with the note typed, and reports beside the bans left.
TEST_F(BanBrowser, ALiftingRunsAsideAndCancelLeavesAllAsItWas) {
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen() && active(dialog));
    std::vector<std::string> asked;
    dialog.askToLift = [&](const std::vector<std::string>& bans) {
        asked = bans;
        return QStringLiteral("appeal");
    };
    bool pressed = false;
    QString statusWhileWorking;
    f.scripted.events.onRepaint = [&] {
        if (pressed || QThread::currentThread() == QApplication::instance()->thread()) return;
        pressed = true;  // on the lifting's own thread, while the window runs its events
        QMetaObject::invokeMethod(
            &dialog,
            [&] {
                EXPECT_FALSE(dialog.unbanButton()->isEnabled());
                statusWhileWorking = dialog.statusLine()->text();
                QTest::keyClick(&dialog, Qt::Key_Escape);  // stops, does not close
            },
            Qt::BlockingQueuedConnection);
    };
    dialog.table()->selectRow(2);
    f.scripted.files.answers.push_back({bans});
    dialog.unbanSelected();
    ASSERT_TRUE(pressed) << "the lifting ran on the window's own thread";
    EXPECT_EQ(statusWhileWorking, "Lifting 1 ban...");
    EXPECT_EQ(said(),
              "Lifting stopped: the ban file and the ban database are as they were.        ");
    EXPECT_TRUE(dialog.unbanButton()->isEnabled());
    EXPECT_FALSE(dialog.cancelButton()->isVisible());
    EXPECT_EQ(dialog.statusLine()->text(), "3 bans, 3 shown");

    // Cancel once is for that work only: the next lifting (the Delete key) runs to its end.
    pressed = true;
    dialog.table()->selectRow(2);  // aaaa
    f.scripted.files.answers.push_back({bans});
    QString behindTheReport;
    f.scripted.messages.onShow = [&](const std::string&) {
        behindTheReport = dialog.statusLine()->text();
    };
    QTest::keyClick(dialog.table(), Qt::Key_Delete);
    EXPECT_EQ(behindTheReport, "2 bans, 2 shown") << "the report is read beside the bans left";
    EXPECT_EQ(asked, (std::vector<std::string>{"\u2068Jay'yz\u2069 (aaaa)"}))
        << "the question names it";
    EXPECT_EQ(said(),
              "1 ban lifted and removed from 'pbbans.dat'        \r\nA running game server keeps "
              "its ban list in memory until it reloads it (pb_sv_banload or a restart).        ");
    // What the lifting writes to the file and the database is the ban file changes' test.
    EXPECT_EQ(sql(db, "SELECT GUID, Note FROM tblLiftedBans"), (Rows{"aaaa|appeal"}));
    // One ban left is one ban ("1 bans").
    dialog.table()->selectRow(0);
    f.scripted.files.answers.push_back({bans});
    QTest::keyClick(dialog.table(), Qt::Key_Delete);
    EXPECT_EQ(dialog.statusLine()->text(), "1 ban, 1 shown");
}

// An export says where it wrote how many bans; the hourglass shows while it writes, which
// froze the window for seconds without a sign of work. It may run beside a merge of the
// main window, which has a Cancel of its own.
TEST_F(BanBrowser, AnExportShowsTheHourglassAndSaysWhatItWrote) {
    BanBrowserDialog dialog(f.form);
    ASSERT_TRUE(dialog.isOpen());
    const std::string out = dir + "/bans.tsv";
    f.scripted.files.answers.push_back({out});
    std::vector<int16_t> shapes;
    f.scripted.events.onRepaint = [&] { shapes.push_back(f.scripted.cursor.current); };
    f.form.cancel.request();  // a merge of the main window's, being stopped meanwhile
    dialog.exportBans();
    EXPECT_TRUE(f.form.cancel.requested()) << "an export neither stops nor revives a merge";
    EXPECT_EQ(said(), "3 bans exported to " + out + "        ");
    EXPECT_TRUE(f.scripted.files.requests.back().flags & 0x2) << "asks before replacing a file";
    const std::string written = readBytes(out);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 4) << "a head line and 3 bans";
    EXPECT_EQ(shapes, (std::vector<int16_t>{CCursor::kHourglass}));
    EXPECT_EQ(f.scripted.cursor.current, CCursor::kDefault);
}

}  // namespace
}  // namespace th::test
