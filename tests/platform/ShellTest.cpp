#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/CShell.h"
#include "platform/Error.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::function<void()>>;

// What a call raised, as "number: description", or "" when it completed.
std::string raisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        EXPECT_EQ(e.source(), appBaseName() + ".CShell");
        return std::to_string(e.number()) + ": " + e.description();
    }
    return "";
}

class CShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("cshell-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        document = (dir / "report.html").string();
        std::ofstream(document) << "<html></html>";
    }
    void TearDown() override { fs::remove_all(dir); }

    // Every call the shell saw, one line each.
    std::vector<std::string> seen() const {
        std::vector<std::string> out;
        for (const auto& c : shell.calls) {
            std::string line = c.kind + " " + c.target;
            for (const auto& arg : c.args) line += " <" + arg + ">";
            if (c.kind == "launch") line += " in " + c.workingDir + (c.wait ? " waiting" : "");
            if (c.kind == "properties") line += " owner " + std::to_string(c.owner);
            out.push_back(line);
        }
        return out;
    }

    fs::path dir;
    std::string document;
    test::ScriptedShell shell;
};

TEST_F(CShellTest, LauncherCodesRaiseTheClassErrors) {
    setAppBaseName("tallyhound");
    struct Case {
        int64_t code;
        std::string raised;
        bool byAddresses;  // raised by the address members too
    } cases[] = {
        {2, "-2147203463: File not found", false},
        {3, "-2147203462: Path not found", false},
        {5, "-2147203461: Acces denied", false},
        {8, "-2147203460: Out of memory", true},
        {11, "-2147203452: Invalid EXE file or error in EXE image", false},
        {26, "-2147203458: A sharing violation occurred", true},
        {27, "-2147203457: Incomplete or invalid file association", false},
        {28, "-2147203456: DDE timeout", true},
        {29, "-2147203455: DDE transaction failed", true},
        {30, "-2147203454: DDE busy", true},
        {31, "-2147203453: No association for file extension", false},
        {32, "-2147203459: DLL not found", false},
        {0, "-2147203449: CShell component failure", false},
        {17, "-2147203449: CShell component failure", false},
        {33, "", false},
    };
    const Calls fileMembers = {
        [&] { CShell(shell).OpenDocument(document); },
        [&] { CShell(shell).OpenFolder(dir.string()); },
        [&] { CShell(shell).ExploreFolder(dir.string()); },
        [&] { CShell(shell).LaunchProgram(document); },
    };
    const Calls addressMembers = {
        [&] { CShell(shell).OpenUrl("http://www.example.com/"); },
        [&] { CShell(shell).CreateNewMailMessage("a@example.com"); },
    };
    for (const Case& c : cases) {
        shell.result = c.code;
        for (const auto& call : fileMembers) EXPECT_EQ(raisedBy(call), c.raised) << c.code;
        for (const auto& call : addressMembers)
            EXPECT_EQ(raisedBy(call), c.byAddresses ? c.raised : "") << c.code;
    }
    setAppBaseName("Tallyhound");
}

TEST_F(CShellTest, EachMemberHandsItsTargetToTheShell) {
    CShell(shell).OpenDocument(document);
    CShell(shell).OpenFolder("/nowhere/at/all");
    CShell(shell).ExploreFolder("/srv");
    CShell(shell).OpenUrl("http://www.example.com/");
    CShell(shell).LaunchProgram(document, "-a \"two words\" \"\" b\tc", false, "/ignored");
    CShell(shell).LaunchProgram(document, 15, true, "/tmp");
    CShell(shell).LaunchProgram(document, 2.5, true);
    CShell(shell).ShowProperties(document, 77);
    const std::string& doc = document;
    EXPECT_EQ(seen(), (std::vector<std::string>{
                          "document " + doc,
                          "document /nowhere/at/all",
                          "document /srv",
                          "url http://www.example.com/",
                          "launch " + doc + " <-a> <two words> <> <b> <c> in " + dir.string(),
                          "launch " + doc + " <15> in /tmp waiting",
                          "launch " + doc + " <2.5> in  waiting",
                          "properties " + doc + " owner 77",
                      }));
    EXPECT_EQ(shell_detail::splitParameters("\"unclosed two"),
              std::vector<std::string>{"unclosed two"});
    EXPECT_EQ(shell_detail::workingFolder("/report.html"), "/");
    EXPECT_EQ(shell_detail::workingFolder("report.html"), "");
}

TEST_F(CShellTest, MailAddressesJoinThePresentParts) {
    struct Case {
        std::string cc, subject, body, address;
    } cases[] = {
        {"", "", "", "mailto:a@b.c"},
        {"", "Hi", "", "mailto:a@b.c?subject=Hi"},
        {"d@e.f", "", "", "mailto:a@b.c?cc=d@e.f"},
        {"", "", "Body", "mailto:a@b.c?body=Body"},
        {"d@e.f", "Hi there", "A & B", "mailto:a@b.c?subject=Hi there&cc=d@e.f&body=A & B"},
    };
    for (const Case& c : cases) {
        shell.calls.clear();
        CShell(shell).CreateNewMailMessage("a@b.c", c.cc, c.subject, c.body);
        EXPECT_EQ(seen(), std::vector<std::string>{"url " + c.address});
    }
}

TEST_F(CShellTest, FailuresFoundBeforeOrAfterAskingTheShell) {
    const std::string missing = (dir / "gone.html").string();
    for (const auto& call : Calls{
             [&] { CShell(shell).OpenDocument(missing); },
             [&] { CShell(shell).OpenDocument(""); },
             [&] { CShell(shell).LaunchProgram(missing, "x", true); },
             [&] { CShell(shell).LaunchProgram(missing); },
             [&] { CShell(shell).ShowProperties(missing); },
         })
        EXPECT_EQ(raisedBy(call), "-2147203463: File not found");
    shell.executable.clear();  // nothing on the desktop opens this kind of file
    EXPECT_EQ(raisedBy([&] { CShell(shell).OpenDocument(document); }),
              "-2147203453: No association for file extension");
    EXPECT_TRUE(shell.calls.empty());  // the opener is not even started

    for (int64_t code : {0, 2, 31}) {
        shell.result = code;
        EXPECT_EQ(raisedBy([&] { CShell(shell).LaunchProgram(document, "", true); }),
                  "-2147203451: Cannot create process");
    }
    shell.propertiesResult = false;
    EXPECT_EQ(raisedBy([&] { CShell(shell).ShowProperties(document); }),
              "-2147203450: Cannot show properties");
}

TEST_F(CShellTest, ExistenceCheckTakesWildcardsInTheLastPart) {
    fs::create_directories(dir / "empty");
    std::ofstream(dir / "a[1].txt") << "x";
    const std::string d = dir.string() + "/";
    struct Case {
        std::string path;
        bool exists;
    } cases[] = {
        {document, true},        {d + "report.htm", false}, {d + "rep?rt.*", true},
        {d + "*.txt", true},     {d + "a[1].txt", true},    {d + "a1.txt", false},
        {d + "*.pdf", false},    {d + "empty", true},       {d + "empty/*", true},
        {d + "empty/?x", false}, {d + "missing/*", false},  {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(shell_detail::pathExists(c.path), c.exists) << c.path;
}

}  // namespace
}  // namespace th
