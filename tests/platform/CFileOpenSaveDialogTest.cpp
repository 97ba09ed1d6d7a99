// The file dialog as its callers see it: properties in, a request to the chooser, and
// the chooser's answer read back into properties.

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "platform/CFileOpenSaveDialog.h"
#include "tests/support/ScriptedPorts.h"

namespace {

using th::CFileOpenSaveDialog;
using th::test::ScriptedFiles;
namespace M = th::MFileOpenSaveDialog;
using Paths = std::vector<std::string>;

void expectError(const std::function<void()>& action, bool invalidHandle) {
    try {
        action();
        ADD_FAILURE() << "no error";
    } catch (const th::Error& e) {
        EXPECT_EQ(e.number(), invalidHandle ? -2147204043 : -2147204042);
        EXPECT_EQ(e.source(), th::appBaseName() + ".CFileOpenSaveDialog");
        EXPECT_EQ(e.description(), invalidHandle ? "Invalid window handle"
                                                 : "CFileOpenSaveDialog component failure");
    }
}

TEST(CFileOpenSaveDialog, OwnerIsCheckedOnlyAboveZeroAndInitChecksItLast) {
    ScriptedFiles files;
    files.liveWindows = {7};
    CFileOpenSaveDialog dialog(files);
    EXPECT_EQ(dialog.Flags(), 0x280000);
    EXPECT_EQ(dialog.DefaultFilter(), 1);
    EXPECT_EQ(dialog.MaxFileSize(), 1024);
    for (int32_t handle : {0, -5, 7}) dialog.setHWndOwner(handle);
    for (int32_t handle : {9, 1}) expectError([&] { dialog.setHWndOwner(handle); }, true);
    EXPECT_EQ(dialog.HWndOwner(), 7);

    // A dead owner: the first five are already stored, owner and flags are not.
    dialog.Init("A|*.a", 3, "/srv", "/srv/x.log", "Pick", 7, 0x806);
    expectError([&] { dialog.Init("C|*.c", 4, "/tmp", "y.log", "Other", 43, 0x200); }, true);
    EXPECT_EQ(dialog.Filter() + dialog.InitialDir() + dialog.FileName() + dialog.DialogTitle(),
              "C|*.c/tmpy.logOther");
    EXPECT_EQ(dialog.DefaultFilter(), 4);
    EXPECT_EQ(dialog.HWndOwner(), 7);
    EXPECT_EQ(dialog.Flags(), 0x806);
    dialog.Init("B|*.b");  // omitted arguments overwrite with 0 or empty text
    EXPECT_EQ(dialog.HWndOwner(), 0);
    EXPECT_EQ(dialog.Flags(), 0);
    EXPECT_EQ(dialog.InitialDir(), "");
}

TEST(CFileOpenSaveDialog, RequestCarriesTheSettingsAndCancelChangesNothing) {
    ScriptedFiles files;  // no answer scripted: the user cancels
    files.liveWindows = {5};
    CFileOpenSaveDialog dialog(files);
    dialog.Init("A (*.a)|*.a|B (*.b)|*.b", 2, "/srv/logs", "today.log", "Pick", 5);
    dialog.setDefaultExt("a");
    dialog.setFileTitle("today.log");
    EXPECT_FALSE(dialog.Show(1));
    ASSERT_EQ(files.requests.size(), 1u);
    const auto& r = files.requests[0];
    EXPECT_TRUE(r.save);
    EXPECT_EQ(r.title, "Pick");
    EXPECT_EQ(r.filters, (std::vector<std::pair<std::string, std::string>>{{"A (*.a)", "*.a"},
                                                                           {"B (*.b)", "*.b"}}));
    EXPECT_EQ(r.initialFilter, 2);
    EXPECT_EQ(r.initialDir, "/srv/logs");
    EXPECT_EQ(r.proposedName, "today.log");
    EXPECT_EQ(r.defaultExt, "a");
    EXPECT_EQ(r.owner, 5);
    EXPECT_EQ(r.flags, 0u);
    EXPECT_EQ(dialog.FileName() + dialog.FileTitle(), "today.logtoday.log");
    EXPECT_EQ(dialog.FileCount(), 0);
    EXPECT_EQ(dialog.SelectedPath(), "");

    dialog.setFlags(0x181808);
    dialog.setCenterDialog(true);
    dialog.Show(0);
    dialog.Show(0);  // the hook bit is or-ed in, never added twice
    ASSERT_EQ(files.requests.size(), 3u);
    EXPECT_EQ(files.requests[2].flags, 0x181828u);
    EXPECT_TRUE(files.requests[2].center);
    EXPECT_EQ(dialog.centerHook(), M::CenterHook::CenterDialogHook);
    EXPECT_EQ(dialog.Flags(), 0x181828);
}

TEST(CFileOpenSaveDialog, ConfirmedChoiceSetsTheProperties) {
    struct Case {
        int32_t flags;
        std::string proposed;
        Paths chosen;  // the first is FileName
        std::string fileTitle;
        int16_t fileCount;
        std::string selectedPath;
        Paths next;  // GetNextFileName with 0, 1, 2, ...
    } cases[] = {
        {0x80200, "", {"/l/a", "/l/b"}, "a", 2, "/l", {"/l/a", "/l/a", "/l/b", "/l/a"}},
        {0x80200, "", {"/a", "/b"}, "a", 2, "", {"/a", "/a", "/b", "/a"}},
        {0x80806, "", {"/l/a", "/l/b"}, "a", 1, "/l/", {"/l/a", "/l/a", "/l/a"}},
        {0x80806, "/home/admin/a-much-longer-proposal.log", {"/t/b"}, "b", 1, "/t/", {"/t/b"}},
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
        EXPECT_EQ(dialog.FileTitle(), c.fileTitle);
        EXPECT_EQ(dialog.FileCount(), c.fileCount);
        EXPECT_EQ(dialog.SelectedPath(), c.selectedPath);
        for (std::size_t i = 0; i < c.next.size(); ++i)
            EXPECT_EQ(dialog.GetNextFileName(static_cast<int16_t>(i)), c.next[i]) << i;
        EXPECT_EQ(dialog.GetNextFileName(-1), c.chosen[0]);
    }
}

TEST(CFileOpenSaveDialog, ASecondChoiceReplacesTheFirst) {
    ScriptedFiles files;
    files.answers = {{"/logs/a.log", "/logs/b.log"}, {}, {"/srv/c.log"}};
    CFileOpenSaveDialog dialog(files);
    dialog.setFlags(0x80200);
    ASSERT_TRUE(dialog.Show(0));
    EXPECT_FALSE(dialog.Show(0));  // cancelled: the multiple selection stays
    EXPECT_EQ(dialog.GetNextFileName(2), "/logs/b.log");
    dialog.setFlags(0x80000);
    ASSERT_TRUE(dialog.Show(0));
    EXPECT_EQ(dialog.FileCount(), 1);
    EXPECT_EQ(dialog.GetNextFileName(2), "/srv/c.log");
}

TEST(CFileOpenSaveDialog, WhatDoesNotFitTheBuffersFailsOrCancels) {
    ScriptedFiles files;
    files.answers = {{"/" + std::string(1023, 'x')}, {"a.log", "b.log"}, {"/logs/a.log"}};
    CFileOpenSaveDialog dialog(files);
    dialog.setFlags(0x80200);
    dialog.setFileName("kept.log");
    for (int32_t type : {2, -1}) EXPECT_FALSE(dialog.Show(type));  // other types ask nothing
    EXPECT_TRUE(files.requests.empty());
    EXPECT_FALSE(dialog.Show(0));  // a path that leaves no room for its NUL
    EXPECT_FALSE(dialog.Show(0));  // files with no folder in common
    EXPECT_EQ(dialog.FileName(), "kept.log");
    EXPECT_EQ(dialog.FileCount(), 0);

    dialog.setFileName(std::string(1025, 'n'));
    expectError([&] { dialog.Show(0); }, false);
    dialog.setFileName(std::string(1024, 'n'));
    dialog.setFileTitle(std::string(1025, 't'));
    expectError([&] { dialog.Show(0); }, false);
    EXPECT_EQ(files.requests.size(), 2u);
    dialog.setFileTitle(std::string(1024, 't'));
    EXPECT_TRUE(dialog.Show(0));
    EXPECT_EQ(dialog.FileName(), "/logs/a.log");
}

// A chooser whose every call fails, as a broken adapter would.
class FailingFiles : public ScriptedFiles {
  public:
    Paths choose(const th::FileChooserRequest&) override { throw std::runtime_error("gone"); }
    bool isWindow(int32_t) override { throw th::Error(1, "elsewhere", "no windows"); }
};

TEST(CFileOpenSaveDialog, PortFailuresBecomeComponentFailures) {
    FailingFiles files;
    CFileOpenSaveDialog dialog(files);
    expectError([&] { dialog.Show(0); }, false);
    expectError([&] { dialog.setHWndOwner(3); }, false);
    expectError([&] { dialog.Init("A|*.a", 1, "", "", "", 3); }, false);
    EXPECT_EQ(dialog.HWndOwner(), 0);
    dialog.setHWndOwner(0);  // 0 is never asked about
}

}  // namespace
