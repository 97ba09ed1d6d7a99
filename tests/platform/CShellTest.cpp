#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "platform/CShell.h"
#include "platform/Error.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

namespace fs = std::filesystem;
using test::ScriptedShell;

struct Raised {
    int32_t number;
    std::string source;
    std::string description;
};

std::optional<Raised> raisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return Raised{e.number(), e.source(), e.description()};
    }
    return std::nullopt;
}

class CShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("cshell-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        document = (dir / "report.html").string();
        std::ofstream(document) << "<html></html>";
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::string document;
    ScriptedShell shell;
};

TEST_F(CShellTest, LauncherCodesRaiseTheClassErrors) {
    setAppBaseName("tallyhound");
    struct Case {
        int64_t code;
        std::optional<int32_t> full;   // number raised by the file members
        std::optional<int32_t> brief;  // number raised by the address members
        std::string description;
    };
    const std::vector<Case> cases = {
        {2, -2147203463, {}, "File not found"},
        {3, -2147203462, {}, "Path not found"},
        {5, -2147203461, {}, "Acces denied"},
        {8, -2147203460, -2147203460, "Out of memory"},
        {11, -2147203452, {}, "Invalid EXE file or error in EXE image"},
        {26, -2147203458, -2147203458, "A sharing violation occurred"},
        {27, -2147203457, {}, "Incomplete or invalid file association"},
        {28, -2147203456, -2147203456, "DDE timeout"},
        {29, -2147203455, -2147203455, "DDE transaction failed"},
        {30, -2147203454, -2147203454, "DDE busy"},
        {31, -2147203453, {}, "No association for file extension"},
        {32, -2147203459, {}, "DLL not found"},
        {0, -2147203449, {}, "CShell component failure"},
        {1, -2147203449, {}, "CShell component failure"},
        {17, -2147203449, {}, "CShell component failure"},
        {33, {}, {}, ""},
        {42, {}, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        shell.result = c.code;
        const std::vector<std::function<void(CShell&)>> fileMembers = {
            [&](CShell& s) { s.OpenDocument(document); },
            [&](CShell& s) { s.OpenFolder(dir.string()); },
            [&](CShell& s) { s.ExploreFolder(dir.string()); },
            [&](CShell& s) { s.LaunchProgram(document); },
        };
        for (const auto& member : fileMembers) {
            CShell s(shell);
            auto raised = raisedBy([&] { member(s); });
            ASSERT_EQ(raised.has_value(), c.full.has_value());
            if (!raised) continue;
            EXPECT_EQ(raised->number, *c.full);
            EXPECT_EQ(raised->description, c.description);
            EXPECT_EQ(raised->source, "tallyhound.CShell");
        }
        const std::vector<std::function<void(CShell&)>> addressMembers = {
            [](CShell& s) { s.OpenUrl("http://www.example.com/"); },
            [](CShell& s) { s.CreateNewMailMessage("a@example.com"); },
        };
        for (const auto& member : addressMembers) {
            CShell s(shell);
            auto raised = raisedBy([&] { member(s); });
            ASSERT_EQ(raised.has_value(), c.brief.has_value());
            if (!raised) continue;
            EXPECT_EQ(raised->number, *c.brief);
            EXPECT_EQ(raised->description, c.description);
        }
    }
    setAppBaseName("Tallyhound");
}

TEST_F(CShellTest, MissingFilesRaiseFileNotFoundBeforeTheShellIsAsked) {
    const std::string missing = (dir / "gone.html").string();
    const std::vector<std::function<void(CShell&)>> members = {
        [&](CShell& s) { s.OpenDocument(missing); },
        [&](CShell& s) { s.LaunchProgram(missing, "x", true); },
        [&](CShell& s) { s.LaunchProgram(missing); },
        [&](CShell& s) { s.ShowProperties(missing); },
        [&](CShell& s) { s.OpenDocument(""); },
    };
    for (const auto& member : members) {
        CShell s(shell);
        auto raised = raisedBy([&] { member(s); });
        ASSERT_TRUE(raised);
        EXPECT_EQ(raised->number, static_cast<int32_t>(0x80044679u));
        EXPECT_EQ(raised->description, "File not found");
        EXPECT_EQ(raised->source, appBaseName() + ".CShell");
    }
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(CShellTest, OpenDocumentAsksForTheDefaultProgramFirst) {
    CShell(shell).OpenDocument(document);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].kind, "document");
    EXPECT_EQ(shell.calls[0].target, document);

    // Nothing on the desktop opens this kind of file: the opener is not even started.
    shell.calls.clear();
    shell.executable.clear();
    auto raised = raisedBy([&] { CShell(shell).OpenDocument(document); });
    ASSERT_TRUE(raised);
    EXPECT_EQ(raised->number, -2147203453);
    EXPECT_EQ(raised->description, "No association for file extension");
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(CShellTest, FoldersAndAddressesGoStraightToTheShell) {
    CShell(shell).OpenFolder("/nowhere/at/all");
    CShell(shell).ExploreFolder("/srv");
    CShell(shell).OpenUrl("http://www.example.com/");
    ASSERT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(shell.calls[0].kind, "document");
    EXPECT_EQ(shell.calls[0].target, "/nowhere/at/all");
    EXPECT_EQ(shell.calls[1].target, "/srv");
    EXPECT_EQ(shell.calls[2].kind, "url");
    EXPECT_EQ(shell.calls[2].target, "http://www.example.com/");
}

TEST_F(CShellTest, MailAddressesJoinThePresentParts) {
    struct Case {
        std::string to, cc, subject, body, address;
    };
    const std::vector<Case> cases = {
        {"a@b.c", "", "Hi", "", "mailto:a@b.c?subject=Hi"},
        {"a@b.c", "d@e.f", "", "", "mailto:a@b.c?cc=d@e.f"},
        {"a@b.c", "d@e.f", "Hi there", "Text & more",
         "mailto:a@b.c?subject=Hi there&cc=d@e.f&body=Text & more"},
        {"a@b.c", "", "", "", "mailto:a@b.c"},
        {"a@b.c", "", "", "Body", "mailto:a@b.c?body=Body"},
    };
    for (const Case& c : cases) {
        shell.calls.clear();
        CShell(shell).CreateNewMailMessage(c.to, c.cc, c.subject, c.body);
        ASSERT_EQ(shell.calls.size(), 1u);
        EXPECT_EQ(shell.calls[0].kind, "url");
        EXPECT_EQ(shell.calls[0].target, c.address);
    }
}

TEST_F(CShellTest, LaunchProgramWithoutWaitingRunsInTheProgramsFolder) {
    CShell(shell).LaunchProgram(document, "-a \"two words\" \"\" b", false, "/ignored");
    ASSERT_EQ(shell.calls.size(), 1u);
    const auto& call = shell.calls[0];
    EXPECT_EQ(call.kind, "launch");
    EXPECT_EQ(call.target, document);
    EXPECT_EQ(call.args, (std::vector<std::string>{"-a", "two words", "", "b"}));
    EXPECT_EQ(call.workingDir, dir.string());
    EXPECT_FALSE(call.wait);
}

TEST_F(CShellTest, LaunchProgramWaitingUsesTheStartDirectory) {
    CShell(shell).LaunchProgram(document, 15, true, "/tmp");
    CShell(shell).LaunchProgram(document, 2.5, true);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].args, (std::vector<std::string>{"15"}));
    EXPECT_EQ(shell.calls[0].workingDir, "/tmp");
    EXPECT_TRUE(shell.calls[0].wait);
    EXPECT_EQ(shell.calls[1].args, (std::vector<std::string>{"2.5"}));
    EXPECT_EQ(shell.calls[1].workingDir, "");

    // Any failure to start is the one error of the waiting mode.
    for (int64_t code : {0, 2, 31}) {
        shell.result = code;
        auto raised = raisedBy([&] { CShell(shell).LaunchProgram(document, "", true); });
        ASSERT_TRUE(raised);
        EXPECT_EQ(raised->number, -2147203451);
        EXPECT_EQ(raised->description, "Cannot create process");
    }
}

TEST_F(CShellTest, ShowPropertiesPassesTheOwnerAndReportsFailure) {
    CShell(shell).ShowProperties(document);
    CShell(shell).ShowProperties(document, 77);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].kind, "properties");
    EXPECT_EQ(shell.calls[0].owner, 0);
    EXPECT_EQ(shell.calls[1].owner, 77);

    shell.propertiesResult = false;
    auto raised = raisedBy([&] { CShell(shell).ShowProperties(document); });
    ASSERT_TRUE(raised);
    EXPECT_EQ(raised->number, -2147203450);
    EXPECT_EQ(raised->description, "Cannot show properties");
}

TEST_F(CShellTest, ExistenceCheckTakesWildcardsInTheLastPart) {
    fs::create_directories(dir / "empty");
    std::ofstream(dir / "a[1].txt") << "x";
    const std::string d = dir.string() + "/";
    struct Case {
        std::string path;
        bool exists;
    };
    const std::vector<Case> cases = {
        {document, true},
        {d + "report.htm", false},
        {d + "*.html", true},
        {d + "rep?rt.*", true},
        {d + "*.txt", true},
        {d + "a[1].txt", true},  // brackets are ordinary characters
        {d + "a1.txt", false},
        {d + "*.pdf", false},
        {d + "empty", true},
        {d + "empty/*", true},  // a folder lists its own entries
        {d + "empty/?x", false},
        {d + "missing/*", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(shell_detail::pathExists(c.path), c.exists) << c.path;
}

TEST(CShellHelpers, WorkingFolderIsTheItemsOwnFolder) {
    EXPECT_EQ(shell_detail::workingFolder("/home/u/logs/report.html"), "/home/u/logs");
    EXPECT_EQ(shell_detail::workingFolder("/report.html"), "/");
    EXPECT_EQ(shell_detail::workingFolder("report.html"), "");
}

TEST(CShellHelpers, ParametersSplitAtBlanksOutsideQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(shell_detail::splitParameters(""), V{});
    EXPECT_EQ(shell_detail::splitParameters("   "), V{});
    EXPECT_EQ(shell_detail::splitParameters("a  b\tc"), (V{"a", "b", "c"}));
    EXPECT_EQ(shell_detail::splitParameters("--file=\"my log.log\" x"),
              (V{"--file=my log.log", "x"}));
    EXPECT_EQ(shell_detail::splitParameters("\"unclosed two"), (V{"unclosed two"}));
}

}  // namespace
}  // namespace th
