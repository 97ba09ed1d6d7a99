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

void expectError(const std::function<void()>& action, int32_t number,
                 const std::string& description) {
    try {
        action();
        ADD_FAILURE() << "no error; expected " << description;
    } catch (const th::Error& e) {
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(e.source(), th::appBaseName() + ".CFileOpenSaveDialog");
        EXPECT_EQ(e.description(), description);
    }
}

void expectComponentFailure(const std::function<void()>& action) {
    expectError(action, -2147204042, "CFileOpenSaveDialog component failure");
}

void expectInvalidHandle(const std::function<void()>& action) {
    expectError(action, -2147204043, "Invalid window handle");
}

// A chooser whose every call fails, as a broken adapter would.
class FailingFiles : public ScriptedFiles {
  public:
    std::vector<std::string> choose(const th::FileChooserRequest&) override {
        throw std::runtime_error("chooser gone");
    }
    bool isWindow(int32_t) override { throw th::Error(1, "elsewhere", "no windows"); }
};

TEST(CFileOpenSaveDialog, CreationValues) {
    ScriptedFiles files;
    CFileOpenSaveDialog dialog(files);
    EXPECT_FALSE(dialog.CenterDialog());
    EXPECT_EQ(dialog.Flags(), 0x280000);
    EXPECT_EQ(dialog.FileCount(), 0);
    EXPECT_EQ(dialog.DefaultFilter(), 1);
    EXPECT_EQ(dialog.MaxFileSize(), 1024);
    EXPECT_EQ(dialog.HWndOwner(), 0);
    EXPECT_EQ(dialog.DefaultExt(), "");
    EXPECT_EQ(dialog.DialogTitle(), "");
    EXPECT_EQ(dialog.FileName(), "");
    EXPECT_EQ(dialog.FileTitle(), "");
    EXPECT_EQ(dialog.Filter(), "");
    EXPECT_EQ(dialog.InitialDir(), "");
    EXPECT_EQ(dialog.SelectedPath(), "");
    EXPECT_EQ(dialog.GetNextFileName(), "");
    EXPECT_EQ(dialog.GetNextFileName(1), "");
    static_assert(std::is_same_v<decltype(dialog.DefaultFilter()), int16_t>);
    static_assert(std::is_same_v<decltype(dialog.FileCount()), int16_t>);
    static_assert(std::is_same_v<decltype(dialog.MaxFileSize()), int16_t>);
    static_assert(std::is_same_v<decltype(dialog.Flags()), int32_t>);
    static_assert(std::is_same_v<decltype(dialog.HWndOwner()), int32_t>);
}

TEST(CFileOpenSaveDialog, OwnerHandleIsCheckedOnlyAboveZero) {
    struct Case {
        int32_t handle;
        bool accepted;
    } cases[] = {{0, true}, {-5, true}, {7, true}, {9, false}, {1, false}};
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.liveWindows = {7};
        CFileOpenSaveDialog dialog(files);
        dialog.setHWndOwner(-1);
        if (c.accepted) {
            dialog.setHWndOwner(c.handle);
            EXPECT_EQ(dialog.HWndOwner(), c.handle);
        } else {
            expectInvalidHandle([&] { dialog.setHWndOwner(c.handle); });
            EXPECT_EQ(dialog.HWndOwner(), -1) << c.handle;
        }
    }
}

TEST(CFileOpenSaveDialog, InitSetsSevenPropertiesAndChecksTheOwnerLast) {
    ScriptedFiles files;
    files.liveWindows = {42};
    CFileOpenSaveDialog dialog(files);

    dialog.Init("A|*.a", 2, "/srv", "/srv/x.log", "Pick", 42, 0x806);
    EXPECT_EQ(dialog.Filter(), "A|*.a");
    EXPECT_EQ(dialog.DefaultFilter(), 2);
    EXPECT_EQ(dialog.InitialDir(), "/srv");
    EXPECT_EQ(dialog.FileName(), "/srv/x.log");
    EXPECT_EQ(dialog.DialogTitle(), "Pick");
    EXPECT_EQ(dialog.HWndOwner(), 42);
    EXPECT_EQ(dialog.Flags(), 0x806);

    // Omitted arguments overwrite with 0 or empty text, not with the creation values.
    dialog.Init("B|*.b");
    EXPECT_EQ(dialog.Filter(), "B|*.b");
    EXPECT_EQ(dialog.DefaultFilter(), 0);
    EXPECT_EQ(dialog.InitialDir(), "");
    EXPECT_EQ(dialog.FileName(), "");
    EXPECT_EQ(dialog.DialogTitle(), "");
    EXPECT_EQ(dialog.HWndOwner(), 0);
    EXPECT_EQ(dialog.Flags(), 0);

    // A dead owner: the first five are already stored, owner and flags are not.
    dialog.Init("A|*.a", 3, "/srv", "/srv/x.log", "Pick", 42, 0x806);
    expectInvalidHandle([&] { dialog.Init("C|*.c", 4, "/tmp", "y.log", "Other", 43, 0x200); });
    EXPECT_EQ(dialog.Filter(), "C|*.c");
    EXPECT_EQ(dialog.DefaultFilter(), 4);
    EXPECT_EQ(dialog.InitialDir(), "/tmp");
    EXPECT_EQ(dialog.FileName(), "y.log");
    EXPECT_EQ(dialog.DialogTitle(), "Other");
    EXPECT_EQ(dialog.HWndOwner(), 42);
    EXPECT_EQ(dialog.Flags(), 0x806);
}

TEST(CFileOpenSaveDialog, RequestCarriesTheSettings) {
    struct Case {
        const char* name;
        int32_t dialogType;
        std::string title, filter, ext;
        int32_t flags;
        bool center;
        int32_t owner;
        int32_t requestFlags;  // also Flags after Show
        bool requestCenter;
        M::CenterHook hook;
        std::vector<std::pair<std::string, std::string>> filters;
    } cases[] = {
        {"load log",
         0,
         "Select Punkbuster log",
         "Punkbuster log (*.log)|*.log",
         "log",
         0x181808,
         true,
         5,
         0x181828,
         true,
         M::CenterHook::CenterDialogHook,
         {{"Punkbuster log (*.log)", "*.log"}}},
        {"save scan file",
         1,
         "Save scanned violations log",
         "Scan File (*.sf)|*.sf",
         "sf",
         0x80806,
         true,
         5,
         0x80826,
         true,
         M::CenterHook::CenterDialogHook,
         {{"Scan File (*.sf)", "*.sf"}}},
        {"html ban list",
         1,
         "Save HTML document",
         "Quelvane HTML Banlist (*.html)|*.html",
         "html",
         0x80806,
         false,
         0,
         0x80806,
         false,
         M::CenterHook::None,
         {{"Quelvane HTML Banlist (*.html)", "*.html"}}},
        {"old style centred",
         0,
         "Old",
         "A (*.a)|*.a|B (*.b)|*.b",
         "a",
         0x1804,
         true,
         0,
         0x1824,
         true,
         M::CenterHook::CenterDialogHookOldStyle,
         {{"A (*.a)", "*.a"}, {"B (*.b)", "*.b"}}},
        {"hook bit without CenterDialog",
         0,
         "",
         "",
         "",
         0x80020,
         false,
         0,
         0x80020,
         true,
         M::CenterHook::CenterDialogHook,
         {}},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.liveWindows = {5};
        CFileOpenSaveDialog dialog(files);
        dialog.setDialogTitle(c.title);
        dialog.setFilter(c.filter);
        dialog.setDefaultExt(c.ext);
        dialog.setFlags(c.flags);
        dialog.setCenterDialog(c.center);
        dialog.setHWndOwner(c.owner);
        EXPECT_FALSE(dialog.Show(c.dialogType)) << c.name;

        ASSERT_EQ(files.requests.size(), 1u) << c.name;
        const auto& r = files.requests[0];
        EXPECT_EQ(r.save, c.dialogType == 1) << c.name;
        EXPECT_EQ(r.title, c.title) << c.name;
        EXPECT_EQ(r.filters, c.filters) << c.name;
        EXPECT_EQ(r.initialFilter, 1) << c.name;
        EXPECT_EQ(r.initialDir, "") << c.name;
        EXPECT_EQ(r.proposedName, "") << c.name;
        EXPECT_EQ(r.defaultExt, c.ext) << c.name;
        EXPECT_EQ(r.owner, c.owner) << c.name;
        EXPECT_EQ(r.flags, static_cast<uint32_t>(c.requestFlags)) << c.name;
        EXPECT_EQ(r.center, c.requestCenter) << c.name;
        EXPECT_EQ(dialog.centerHook(), c.hook) << c.name;
        EXPECT_EQ(dialog.Flags(), c.requestFlags) << c.name;
    }
}

TEST(CFileOpenSaveDialog, RequestProposesNameFolderAndFilterIndex) {
    ScriptedFiles files;
    CFileOpenSaveDialog dialog(files);
    dialog.Init("A|*.a|B|*.b", 2, "/srv/logs", "today.log", "Pick");
    dialog.Show(0);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].initialFilter, 2);
    EXPECT_EQ(files.requests[0].initialDir, "/srv/logs");
    EXPECT_EQ(files.requests[0].proposedName, "today.log");
    EXPECT_EQ(files.requests[0].flags, 0u);
}

TEST(CFileOpenSaveDialog, CentringBitIsSetOnceHoweverOftenShown) {
    ScriptedFiles files;
    CFileOpenSaveDialog dialog(files);
    dialog.setFlags(0x181808);
    dialog.setCenterDialog(true);
    dialog.Show(0);
    dialog.Show(0);
    EXPECT_EQ(dialog.Flags(), 0x181828);
    dialog.setFlags(0x181828);
    dialog.Show(1);
    EXPECT_EQ(dialog.Flags(), 0x181828);
    ASSERT_EQ(files.requests.size(), 3u);
    EXPECT_EQ(files.requests[2].flags, 0x181828u);
}

TEST(CFileOpenSaveDialog, CancelChangesNothing) {
    for (std::string proposed : {"", "/srv/proposed.log"}) {
        ScriptedFiles files;  // no answer scripted: the user cancels
        CFileOpenSaveDialog dialog(files);
        dialog.setFileName(proposed);
        dialog.setFileTitle("proposed.log");
        EXPECT_FALSE(dialog.Show(0));
        EXPECT_EQ(files.requests.size(), 1u);
        EXPECT_EQ(dialog.FileName(), proposed);
        EXPECT_EQ(dialog.FileTitle(), "proposed.log");
        EXPECT_EQ(dialog.FileCount(), 0);
        EXPECT_EQ(dialog.SelectedPath(), "");
    }
}

TEST(CFileOpenSaveDialog, ConfirmedChoiceSetsTheProperties) {
    struct Case {
        const char* name;
        int32_t flags;
        std::string proposed;
        std::vector<std::string> chosen;
        std::string fileName, fileTitle;
        int16_t fileCount;
        std::string selectedPath;
        std::vector<std::string> next;  // GetNextFileName with 0, 1, 2, ...
    } cases[] = {
        {"single",
         0x181804,
         "",
         {"/logs/server.log"},
         "/logs/server.log",
         "server.log",
         1,
         "/logs/",
         {"/logs/server.log", "/logs/server.log", "/logs/server.log"}},
        {"two files",
         0x80200,
         "",
         {"/logs/a.log", "/logs/b.log"},
         "/logs/a.log",
         "a.log",
         2,
         "/logs",
         {"/logs/a.log", "/logs/a.log", "/logs/b.log", "/logs/a.log"}},
        {"three files",
         0x80200,
         "",
         {"/p/x", "/p/y", "/p/z"},
         "/p/x",
         "x",
         3,
         "/p",
         {"/p/x", "/p/x", "/p/y", "/p/z", "/p/x"}},
        {"root folder",
         0x80200,
         "",
         {"/a.log", "/b.log"},
         "/a.log",
         "a.log",
         2,
         "",
         {"/a.log", "/a.log", "/b.log", "/a.log"}},
        {"one file with multiple selection",
         0x80200,
         "",
         {"/logs/a.log"},
         "/logs/a.log",
         "a.log",
         1,
         "/logs/",
         {"/logs/a.log", "/logs/a.log", "/logs/a.log"}},
        {"longer proposed name",
         0x80806,
         "/home/admin/a-much-longer-proposal.log",
         {"/tmp/b.log"},
         "/tmp/b.log",
         "b.log",
         1,
         "/tmp/",
         {"/tmp/b.log", "/tmp/b.log"}},
        {"longer proposal, multiple selection",
         0x80a06,
         "/srv/a/much/longer/proposal.log",
         {"/b.log"},
         "/b.log",
         "b.log",
         1,
         "/",
         {"/b.log", "/b.log"}},
        {"two files without multiple selection",
         0x80806,
         "",
         {"/l/a.log", "/l/b.log"},
         "/l/a.log",
         "a.log",
         1,
         "/l/",
         {"/l/a.log", "/l/a.log", "/l/a.log"}},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.answers.push_back(c.chosen);
        CFileOpenSaveDialog dialog(files);
        dialog.setFlags(c.flags);
        dialog.setFileName(c.proposed);
        dialog.setFileTitle("a-long-proposed-title.log");
        EXPECT_TRUE(dialog.Show(0)) << c.name;
        EXPECT_EQ(dialog.FileName(), c.fileName) << c.name;
        EXPECT_EQ(dialog.FileTitle(), c.fileTitle) << c.name;
        EXPECT_EQ(dialog.FileCount(), c.fileCount) << c.name;
        EXPECT_EQ(dialog.SelectedPath(), c.selectedPath) << c.name;
        for (std::size_t i = 0; i < c.next.size(); ++i) {
            EXPECT_EQ(dialog.GetNextFileName(static_cast<int16_t>(i)), c.next[i])
                << c.name << " index " << i;
        }
        EXPECT_EQ(dialog.GetNextFileName(-1), c.fileName) << c.name;
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
    EXPECT_EQ(dialog.FileName(), "/srv/c.log");
    EXPECT_EQ(dialog.FileCount(), 1);
    EXPECT_EQ(dialog.GetNextFileName(2), "/srv/c.log");
}

TEST(CFileOpenSaveDialog, OtherDialogTypesShowNothing) {
    for (int32_t type : {2, -1, 100}) {
        ScriptedFiles files;
        files.answers.push_back({"/logs/a.log"});
        CFileOpenSaveDialog dialog(files);
        dialog.setFileName("kept.log");
        dialog.setCenterDialog(true);
        EXPECT_FALSE(dialog.Show(type)) << type;
        EXPECT_TRUE(files.requests.empty()) << type;
        EXPECT_EQ(dialog.FileName(), "kept.log");
        EXPECT_EQ(dialog.Flags(), 0x280020);  // the request was prepared all the same
    }
}

TEST(CFileOpenSaveDialog, NamesLongerThanTheBufferFailTheComponent) {
    struct Case {
        const char* name;
        std::size_t fileName, fileTitle;
        bool fails;
    } cases[] = {
        {"name of 1025", 1025, 0, true},
        {"title of 1025", 0, 1025, true},
        {"name of 1024", 1024, 0, false},
        {"title of 1024", 0, 1024, false},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        CFileOpenSaveDialog dialog(files);
        dialog.setFileName(std::string(c.fileName, 'n'));
        dialog.setFileTitle(std::string(c.fileTitle, 't'));
        if (c.fails) {
            expectComponentFailure([&] { dialog.Show(0); });
            EXPECT_TRUE(files.requests.empty()) << c.name;
        } else {
            EXPECT_FALSE(dialog.Show(0)) << c.name;
            EXPECT_EQ(files.requests.size(), 1u) << c.name;
        }
    }
}

TEST(CFileOpenSaveDialog, AnswerTooLongForTheBufferCountsAsCancel) {
    struct Case {
        const char* name;
        int32_t flags;
        std::vector<std::string> chosen;
    } cases[] = {
        {"single", 0x80000, {"/" + std::string(1023, 'x')}},
        {"multiple", 0x80200, {"/d/" + std::string(600, 'a'), "/d/" + std::string(600, 'b')}},
        {"no common folder", 0x80200, {"a.log", "b.log"}},
    };
    for (const auto& c : cases) {
        ScriptedFiles files;
        files.answers.push_back(c.chosen);
        CFileOpenSaveDialog dialog(files);
        dialog.setFlags(c.flags);
        dialog.setFileName("kept.log");
        EXPECT_FALSE(dialog.Show(0)) << c.name;
        EXPECT_EQ(dialog.FileName(), "kept.log") << c.name;
        EXPECT_EQ(dialog.FileCount(), 0) << c.name;
    }
}

TEST(CFileOpenSaveDialog, PortFailuresBecomeComponentFailures) {
    FailingFiles files;
    CFileOpenSaveDialog dialog(files);
    expectComponentFailure([&] { dialog.Show(0); });
    expectComponentFailure([&] { dialog.setHWndOwner(3); });
    expectComponentFailure([&] { dialog.Init("A|*.a", 1, "", "", "", 3); });
    EXPECT_EQ(dialog.HWndOwner(), 0);
    dialog.setHWndOwner(0);  // 0 is never asked about
}

}  // namespace
