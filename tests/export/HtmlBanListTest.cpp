#include "export/HtmlBanList.h"
#include "platform/Error.h"
#include "tests/export/ExportFixtures.h"

namespace th::test {
namespace {

Cells row(std::string name) {
    return {std::move(name), "(GAMEHACK)", "50001",         "[12.01.2026 10:00:00]",
            "(slot #1)",     "abcd1234",   "10.0.0.1:28960"};
}

std::string pageOf(const std::vector<Cells>& rows) {
    FormFixture f;
    addRows(f.grid(), rows);
    f.groupRows();
    ScratchDir dir;
    writeHtmlBanList(f.grid(), dir / "page.html");
    return readBytes(dir / "page.html");
}

// The sample's rows (one a line, cells separated by tabs) hold runs of one player in
// several cases, an empty first name, spaces, quoted time stamps, markup and 8-bit bytes.
TEST(HtmlBanList, SamplePageMatchesByteForByte) {
    std::vector<Cells> rows;
    std::istringstream lines(readBytes(kData + "/html/banlist.tsv"));
    for (std::string text; std::getline(lines, text);) {
        std::istringstream cells(text);
        rows.emplace_back();
        for (std::string cell; std::getline(cells, cell, '\t');) rows.back().push_back(cell);
    }
    EXPECT_EQ(pageOf(rows), readBytes(kData + "/html/banlist.expected.html"));
}

TEST(HtmlBanList, MarkupInANameIsShownNotObeyed) {
    const std::string page = pageOf({row("<script>a&b\"</script>")});
    EXPECT_NE(page.find(" \"&lt;script&gt;a&amp;b&quot;&lt;/script&gt;\" "), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
}

struct HtmlCommand : FormFixture, ::testing::Test {
    ScratchDir dir;
    const std::string path = dir / "bans.html";
    HtmlCommand() { addRows(grid(), {row("Alpha"), row("Bob")}); }
};

TEST_F(HtmlCommand, ReplacesThePageAndOpensItOnYesOnly) {
    writeBytes(path, std::string(100000, 'x'));
    ports.files.answers = {{path}, {path}};
    ports.messages.answers = {MsgResult::Yes, MsgResult::No};
    runHtmlCommand(form);
    runHtmlCommand(form);

    const FileChooserRequest& request = ports.files.requests.at(0);
    EXPECT_EQ(request.title, "Save HTML document");
    EXPECT_EQ(request.filters.at(0).first, "Quelvane HTML Banlist (*.html)");

    EXPECT_EQ(readBytes(path), pageOf({row("Alpha"), row("Bob")}));
    ASSERT_EQ(ports.messages.shown.size(), 2u);
    EXPECT_EQ(ports.messages.shown[0].prompt,
              "'" + path + "' has been created, open for viewing?        ");
    EXPECT_EQ(ports.messages.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(ports.messages.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(ports.messages.shown[0].title, "Quelvane - tallyhound");
    EXPECT_EQ(ports.cursor.history, (std::vector<int16_t>{11, 0, 11, 0}));
    ASSERT_EQ(ports.shell.calls.size(), 1u);  // opened on Yes only
    EXPECT_EQ(ports.shell.calls[0].target, path);
}

TEST_F(HtmlCommand, AShellThatCannotOpenThePageRaisesToTheCaller) {
    ports.files.answers.push_back({path});
    ports.shell.result = 31;  // no program for the file's kind
    EXPECT_THROW(runHtmlCommand(form), Error);
}

TEST_F(HtmlCommand, CancelOrAnEmptyGridWritesAndShowsNothing) {
    runHtmlCommand(form);  // cancelled
    grid().setRows(1);
    runHtmlCommand(form);  // asks nothing
    EXPECT_EQ(ports.files.requests.size(), 1u);
    EXPECT_TRUE(ports.messages.shown.empty());
    EXPECT_TRUE(ports.cursor.history.empty());
    EXPECT_EQ(dir.entries(), 0);
}

TEST_F(HtmlCommand, FileThatCannotBeCreatedShowsTheErrorBoxAndNoQuestion) {
    const std::string missing = dir / "missing-folder/bans.html";
    ports.files.answers.push_back({missing});
    runHtmlCommand(form);
    ASSERT_EQ(ports.messages.shown.size(), 1u);
    const ShownBox& box = ports.messages.shown[0];
    EXPECT_EQ(box.prompt,
              "An error has occured during a creating of this HTML file        \r\n"
              "No such file or directory: " +
                  missing + " 53        ");
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.title, "        ");
    EXPECT_EQ(ports.cursor.history, (std::vector<int16_t>{11, 0}));
    EXPECT_TRUE(ports.shell.calls.empty());
}

}  // namespace
}  // namespace th::test
