// The desktop shell: the launcher's members, its result codes, and finding programs.

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/CShell.h"
#include "platform/ProgramSearch.h"
#include "platform/ShellCodes.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ScriptedPorts.h"

namespace th {
namespace {

using test::raised;
const std::string kSource = "Tallyhound.CShell ";

struct ShellTest : test::TempFolderTest {
    void SetUp() override {
        TempFolderTest::SetUp();
        document = dir + "/report.html";
        std::ofstream(document) << "<html></html>";
    }
    std::string document;
    test::ScriptedShell shell;
};

TEST_F(ShellTest, LauncherCodesRaiseTheClassErrors) {
    // A sample of the codes and their texts; 17 means nothing, and fails too; 33 and above
    // succeed.
    const std::pair<int64_t, std::string> cases[] = {
        {2, "-2147203463: File not found"},
        {5, "-2147203461: Acces denied"},
        {11, "-2147203452: Invalid EXE file or error in EXE image"},
        {28, "-2147203456: DDE timeout"},
        {30, "-2147203454: DDE busy"},
        {31, "-2147203453: No association for file extension"},
        {32, "-2147203459: DLL not found"},
        {17, "-2147203449: CShell component failure"},
        {33, ""}};
    for (const auto& [code, text] : cases) {
        shell.result = code;
        for (const auto& call : std::vector<std::function<void()>>{
                 [&] { CShell(shell).OpenDocument(document); },
                 [&] { CShell(shell).LaunchProgram(document); },
             })
            EXPECT_EQ(raised(call), text.empty() ? "" : kSource + text) << code;
    }
    // The address members report only failures that say something about the system.
    shell.result = 30;
    EXPECT_EQ(raised([&] { CShell(shell).OpenUrl("http://x/"); }),
              raised([&] { CShell(shell).OpenDocument(document); }));
    shell.result = 2;
    EXPECT_EQ(raised([&] { CShell(shell).CreateNewMailMessage("a@b.c"); }), "");
}

TEST_F(ShellTest, EachMemberHandsItsTargetToTheShell) {
    CShell(shell).OpenDocument(document);
    CShell(shell).OpenUrl("http://www.example.com/");
    CShell(shell).CreateNewMailMessage("a@b.c", "d@e.f", "Hi there", "A & B");
    CShell(shell).LaunchProgram(document, "-a \"two words\" \"\" b\tc", false, "/ignored");
    CShell(shell).LaunchProgram(document, 15, true, "/tmp");
    CShell(shell).ShowProperties(document);
    std::vector<std::string> seen;
    for (const auto& c : shell.calls) {
        seen.push_back(c.kind + " " + c.target);
        for (const auto& arg : c.args) seen.back() += " <" + arg + ">";
        if (c.kind == "launch") seen.back() += " in " + c.workingDir + (c.wait ? " waiting" : "");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "document " + document,
                        "url http://www.example.com/",
                        "url mailto:a@b.c?subject=Hi there&cc=d@e.f&body=A & B",
                        "launch " + document + " <-a> <two words> <> <b> <c> in " + dir,
                        "launch " + document + " <15> in /tmp waiting",
                        "properties " + document,
                    }));
}

TEST_F(ShellTest, FailuresFoundBeforeOrAfterAskingTheShell) {
    const std::string missing = dir + "/gone.html",
                      notFound = kSource + "-2147203463: File not found";
    EXPECT_EQ(raised([&] { CShell(shell).LaunchProgram(missing, "x", true); }), notFound);
    EXPECT_EQ(raised([&] { CShell(shell).ShowProperties(missing); }), notFound);
    shell.executable.clear();  // nothing on the desktop opens this kind of file
    EXPECT_EQ(raised([&] { CShell(shell).OpenDocument(document); }),
              kSource + "-2147203453: No association for file extension");
    EXPECT_TRUE(shell.calls.empty());  // the opener is not even started

    shell.result = 32;
    EXPECT_EQ(raised([&] { CShell(shell).LaunchProgram(document, "", true); }),
              kSource + "-2147203451: Cannot create process");
    shell.propertiesResult = false;
    EXPECT_EQ(raised([&] { CShell(shell).ShowProperties(document); }),
              kSource + "-2147203450: Cannot show properties");
}

TEST_F(ShellTest, ExistenceCheckTakesWildcardsInTheLastPart) {
    std::ofstream(dir + "/a[1].txt") << "x";
    const std::pair<std::string, bool> cases[] = {{"/report.htm", false},
                                                  {"/rep?rt.*", true},
                                                  {"/a[1].txt", true},
                                                  {"/a1.txt", false},
                                                  {"/missing/*", false}};
    for (const auto& [path, exists] : cases)
        EXPECT_EQ(shell_detail::pathExists(dir + path), exists) << path;
    EXPECT_FALSE(shell_detail::pathExists(""));
}

TEST_F(ShellTest, ProgramsAreFoundAlongPathAndFailedStartsGetLauncherCodes) {
    const std::string data = dir + "/a/tool", run = dir + "/b/tool";
    std::filesystem::create_directories(dir + "/a");
    std::filesystem::create_directories(dir + "/b/folder");
    std::ofstream(data) << "not a program";
    std::ofstream(run) << "\x7f"
                          "ELF garbage";
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);

    const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir + "/a::" + dir + "/b/").c_str(), 1);  // an empty entry, a trailing "/"
    EXPECT_EQ(findProgramOnPath("tool"), run);
    EXPECT_EQ(findProgramOnPath("folder"), "");
    EXPECT_EQ(findProgramOnPath(run), run);
    EXPECT_EQ(findProgramOnPath(data), "");
    setenv("PATH", saved.c_str(), 1);

    EXPECT_EQ(shellCodeForFailedStart(dir + "/none"), 2);
    EXPECT_EQ(shellCodeForFailedStart(dir + "/none/x"), 3);
    EXPECT_EQ(shellCodeForFailedStart(data), 5);
    EXPECT_EQ(shellCodeForFailedStart(dir + "/b/folder"), 5);
    EXPECT_EQ(shellCodeForFailedStart(run), 11);
    EXPECT_EQ(shellCodeFromOpener(false, 0), 31);  // no opener at all
    EXPECT_EQ(shellCodeFromOpener(true, 2), 2);
    EXPECT_EQ(shellCodeFromErrno(EPERM), 5);
    EXPECT_EQ(shellCodeFromErrno(EIO), 0);
}

}  // namespace
}  // namespace th
