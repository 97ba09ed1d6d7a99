#include <sys/stat.h>
#include <unistd.h>

#include "export/HtmlBanList.h"
#include "platform/Error.h"
#include "tests/export/ExportFixtures.h"

namespace th::test {
namespace {

const std::string kHead =
    "<html>\r\n<body>\r\n"
    "<table "
    "border=\"1\"width=\"100%\"bordercolor=\"#808080\"cellspacing=\"0\"cellpadding=\"8\">\r\n"
    "<tr>\r\n"
    "<td width=\"100%\"bordercolor=\"#021C2D\"bgcolor=\"#FFFFFF\"text=\"#000000\">\r\n"
    "<font class=\"guid\">\r\n"
    "<LINK REL=\"StyleSheet\"HREF=\"http://www.quelvane.net/quelvane_grey.css\" "
    "TYPE=\"text/css\">\r\n";
const std::string kTail =
    "<br>\r\n<br>\r\n<br>\r\n<br>\r\n</font>\r\n</td>\r\n</tr>\r\n</table>\r\n</body>\r\n</"
    "html>\r\n";

Cells row(std::string name, std::string number = "50001",
          std::string stamp = "[12.01.2026 10:00:00]") {
    return {std::move(name), "(GAMEHACK)", std::move(number), std::move(stamp),
            "(slot #1)",     "abcd1234",   "10.0.0.1:28960"};
}

std::string line(const std::string& name, const std::string& number = "50001",
                 const std::string& stamp = "[12.01.2026 10:00:00]") {
    return stamp + " abcd1234 \"" + name +
           "\" \"10.0.0.1:28960\" \"VIOLATION DETECTED -> (GAMEHACK) #" + number + "\"<br>\r\n";
}

// Writes the page of the rows (group rows made the way the arrangement makes them,
// without its sort) and returns the player lines between head and tail.
std::string playerLines(const std::vector<Cells>& rows) {
    FormFixture f;
    addRows(f.grid(), rows);
    f.grid().select(1, 0);
    f.grid().subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
    ScratchDir dir;
    writeHtmlBanList(f.grid(), dir / "page.html");
    std::string page = readBytes(dir / "page.html");
    EXPECT_EQ(page.substr(0, kHead.size()), kHead);
    EXPECT_EQ(page.substr(page.size() - kTail.size()), kTail);
    return page.substr(kHead.size(), page.size() - kHead.size() - kTail.size());
}

TEST(HtmlBanList, OneLinePerRunOfAPlayersRows) {
    struct Case {
        const char* what;
        std::vector<Cells> rows;
        std::string expected;
    } cases[] = {
        {"three rows of one player give the first row's line",
         {row("Alpha", "50001"), row("Alpha", "50002"), row("Alpha", "50003")},
         line("Alpha", "50001")},
        {"names differing only in case are one player",
         {row("Alpha", "50001"), row("ALPHA", "50002")},
         line("Alpha", "50001")},
        {"two players give two lines in grid order",
         {row("Zed", "50009"), row("Alpha", "50001")},
         line("Zed", "50009") + line("Alpha", "50001")},
        {"spaces around a name are dropped but still make it another name",
         {row(" Carl ", "50001"), row("Carl", "50002")},
         line("Carl", "50001") + line("Carl", "50002")},
        {"an empty first name writes nothing", {row("", "50001")}, ""},
        {"an empty name after a named row is written",
         {row("", "50001"), row("Bob", "50002"), row("", "50003")},
         line("Bob", "50002") + line("", "50003")},
        {"the time stamp loses its double quotes",
         {row("Alpha", "50001", "\"[12.01.2026\" 10:00:00]\"")},
         line("Alpha", "50001", "[12.01.2026 10:00:00]")},
        {"markup in a name is shown, not obeyed",
         {row("<script>a&b\"</script>")},
         line("&lt;script&gt;a&amp;b&quot;&lt;/script&gt;")},
        {"8-bit bytes pass unchanged", {row("\xc9mile\xff")}, line("\xc9mile\xff")},
        {"a grid of one player: head, one line, tail",
         {row("Same"), row("same"), row("SAME")},
         line("Same")},
    };
    for (const Case& c : cases) EXPECT_EQ(playerLines(c.rows), c.expected) << c.what;
}

TEST(HtmlBanList, SamplePageMatchesByteForByte) {
    FormFixture f;
    addRows(f.grid(), tsvRows(kData + "/html/banlist.tsv"));
    f.grid().select(1, 0);
    f.grid().subtotal(FlexGrid::kSubtotalGroup, 0, -1, {}, kGroupBackColor, kGroupForeColor, true);
    ScratchDir dir;
    writeHtmlBanList(f.grid(), dir / "banlist.html");
    EXPECT_EQ(readBytes(dir / "banlist.html"), readBytes(kData + "/html/banlist.expected.html"));
}

// The cursor shape each box was shown under, to see the hourglass around the error box.
class CursorAwareMessages : public ScriptedMessages {
  public:
    explicit CursorAwareMessages(ScriptedCursor& cursor) : cursor_(cursor) {}
    std::vector<int16_t> shapes;
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shapes.push_back(cursor_.current);
        return ScriptedMessages::show(prompt, buttons, icon, title);
    }

  private:
    ScriptedCursor& cursor_;
};

struct HtmlCommand : ::testing::Test {
    ScriptedPorts p;
    CursorAwareMessages messages{p.cursor};
    Ports ports{messages, p.files, p.cursor, p.events, p.shell};
    MainForm form{ports};
    ScratchDir dir;

    void SetUp() override {
        form.setUpGrid();
        form.hWnd = 4242;
        addRows(form.vsFlexGrid1, {row("Alpha"), row("Bob", "50002")});
        int32_t position = 0;
        vsFlexGrid1_AfterMoveColumn(form, 0, position);
    }
};

TEST_F(HtmlCommand, WritesThePageAndOpensItOnYes) {
    const std::string path = dir / "bans.html";
    p.files.answers.push_back({path});
    messages.answers.push_back(MsgResult::Yes);
    runHtmlCommand(form);

    ASSERT_EQ(p.files.requests.size(), 1u);
    const FileChooserRequest& request = p.files.requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.title, "Save HTML document");
    EXPECT_EQ(request.defaultExt, "html");
    ASSERT_EQ(request.filters.size(), 1u);
    EXPECT_EQ(request.filters[0].first, "Quelvane HTML Banlist (*.html)");
    EXPECT_EQ(request.filters[0].second, "*.html");
    EXPECT_EQ(request.flags, 0x80806u);  // not centred: no hook bit
    EXPECT_FALSE(request.center);
    EXPECT_EQ(request.owner, 0);

    EXPECT_EQ(readBytes(path), kHead + line("Alpha") + line("Bob", "50002") + kTail);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt,
              "'" + path + "' has been created, open for viewing?        ");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.shown[0].title, "Quelvane - tallyhound");
    EXPECT_EQ(messages.shapes[0], 0);  // the hourglass is gone before the question
    EXPECT_EQ(p.cursor.history, (std::vector<int16_t>{11, 0}));
    ASSERT_EQ(p.shell.calls.size(), 1u);
    EXPECT_EQ(p.shell.calls[0].kind, "document");
    EXPECT_EQ(p.shell.calls[0].target, path);
}

TEST_F(HtmlCommand, AShellThatCannotOpenThePageRaisesToTheCaller) {
    p.files.answers.push_back({dir / "bans.html"});
    p.shell.result = 31;  // no program for the file's kind
    EXPECT_THROW(runHtmlCommand(form), Error);
    EXPECT_TRUE(std::filesystem::exists(dir / "bans.html"));
}

TEST_F(HtmlCommand, NoOpensNothing) {
    p.files.answers.push_back({dir / "bans.html"});
    messages.answers.push_back(MsgResult::No);
    runHtmlCommand(form);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(p.shell.calls.empty());
}

TEST_F(HtmlCommand, CancelWritesAndShowsNothing) {
    std::string path;
    EXPECT_TRUE(g_blnCreateHtmlBanList(form, path));
    EXPECT_EQ(path, "");
    runHtmlCommand(form);
    EXPECT_EQ(p.files.requests.size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(p.cursor.history.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(HtmlCommand, HeaderOnlyGridAsksForNothing) {
    form.vsFlexGrid1.setRows(1);
    runHtmlCommand(form);
    EXPECT_TRUE(p.files.requests.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HtmlCommand, ExistingPageIsReplacedWhole) {
    const std::string path = dir / "bans.html";
    writeBytes(path, std::string(100000, 'x'));
    p.files.answers.push_back({path});
    messages.answers.push_back(MsgResult::No);
    runHtmlCommand(form);
    EXPECT_EQ(readBytes(path), kHead + line("Alpha") + line("Bob", "50002") + kTail);
}

TEST_F(HtmlCommand, FileThatCannotBeCreatedShowsTheErrorBoxAndNoQuestion) {
    const std::string path = dir / "missing-folder/bans.html";
    p.files.answers.push_back({path});
    std::string returned;
    EXPECT_FALSE(g_blnCreateHtmlBanList(form, returned));
    EXPECT_EQ(returned, path);  // handed back as soon as the dialog was confirmed

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt,
              "An error has occured during a creating of this HTML file        \r\n"
              "No such file or directory: " +
                  path + " 53        ");
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].title, "        ");
    EXPECT_EQ(messages.shapes[0], 11);  // the hourglass goes off after the box closes
    EXPECT_EQ(p.cursor.current, 0);

    p.files.answers.push_back({path});
    runHtmlCommand(form);
    EXPECT_EQ(messages.shown.size(), 2u);  // the error box again, and no question
    EXPECT_TRUE(p.shell.calls.empty());
}

TEST_F(HtmlCommand, ReadOnlyFolderIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    std::filesystem::create_directory(dir / "locked");
    ::chmod((dir / "locked").c_str(), 0555);
    const std::string path = dir / "locked/bans.html";
    p.files.answers.push_back({path});
    runHtmlCommand(form);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt,
              "An error has occured during a creating of this HTML file        \r\n"
              "Permission denied: " +
                  path + " 70        ");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(HtmlCommand, AFailedWriteLeavesTheOldPageWhole) {
    const std::string path = dir / "bans.html";
    writeBytes(path, "old page");
    for (int i = 0; i < 2000; ++i) addRows(form.vsFlexGrid1, {row("Player" + std::to_string(i))});
    p.files.answers.push_back({path});
    {
        FileSizeLimit limit(4096);  // the disk fills up part-way through the page
        runHtmlCommand(form);
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt,
              "An error has occured during a creating of this HTML file        \r\n"
              "File too large: " +
                  path + " 57        ");
    EXPECT_EQ(readBytes(path), "old page");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
              1);  // no stray temporary
    EXPECT_EQ(p.cursor.current, 0);
}

}  // namespace
}  // namespace th::test
