// The file dialog as its callers see it: properties in, a request to the chooser, and
// the chooser's answer read back into properties.

#include <gtest/gtest.h>

#include "platform/CFileOpenSaveDialog.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

using test::ScriptedFiles;
using Paths = std::vector<std::string>;

TEST(CFileOpenSaveDialog, ConfirmedChoiceSetsTheProperties) {
    struct Case {
        int32_t flags;
        std::string proposed;
        Paths chosen;       // the first is FileName
        std::string shown;  // FileTitle, FileCount, SelectedPath
        Paths next;         // GetNextFileName with 0, 1, 2, ...
    } cases[] = {
        {0x80200, "", {"/l/a", "/l/old/b"}, "a 2 /l", {"/l/a", "/l/a", "/l/old/b", "/l/a"}},
        // A "/" in what is left of the proposed name must not name the folder.
        {0x80200, "/home/admin/x.log", {"/a"}, "a 1 /", {"/a", "/a"}},
        {0x80806, "/home/admin/a-much-longer-proposal.log", {"/t/b"}, "b 1 /t/", {"/t/b"}},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.answers.push_back(c.chosen);
        CFileOpenSaveDialog dialog(files);
        dialog.setFlags(c.flags);
        dialog.setFileName(c.proposed);
        dialog.setFileTitle("a-long-proposed-title.log");
        SCOPED_TRACE(c.chosen.back());
        EXPECT_TRUE(dialog.Show(0));
        EXPECT_EQ(dialog.FileName(), c.chosen[0]);
        EXPECT_EQ(dialog.FileTitle() + " " + std::to_string(dialog.FileCount()) + " " +
                      dialog.SelectedPath(),
                  c.shown);
        for (std::size_t i = 0; i < c.next.size(); ++i)
            EXPECT_EQ(dialog.GetNextFileName(static_cast<int16_t>(i)), c.next[i]) << i;
    }
}

// Failed and cancelled choices keep the last one. The centring's hook bit is or-ed in: a
// second Show must not carry it into the next bit.
TEST(CFileOpenSaveDialog, FailuresAndCancelsKeepTheLastChoice) {
    const std::string longest = "/" + std::string(1022, 'x');  // with its NUL, the whole buffer
    ScriptedFiles files;
    files.answers = {
        {"/logs/a.log", "/logs/b.log"}, {}, {longest + "x"}, {"a.log", "b.log"}, {longest}};
    CFileOpenSaveDialog dialog(files);
    dialog.setFlags(0x80208);
    dialog.setCenterDialog(true);
    ASSERT_TRUE(dialog.Show(0));
    EXPECT_FALSE(dialog.Show(2));  // other types ask nothing
    EXPECT_EQ(files.requests.size(), 1u);
    EXPECT_FALSE(dialog.Show(0));  // cancelled
    EXPECT_EQ(files.requests[1].flags, 0x80228u);
    EXPECT_FALSE(dialog.Show(0));  // a path that leaves no room for its NUL
    EXPECT_FALSE(dialog.Show(0));  // files with no folder in common
    EXPECT_EQ(dialog.GetNextFileName(0) + " " + dialog.GetNextFileName(2),
              "/logs/a.log /logs/b.log");
    dialog.setFlags(0x80000);
    ASSERT_TRUE(dialog.Show(0));
    EXPECT_EQ(dialog.GetNextFileName(2), longest);
}

}  // namespace
}  // namespace th
