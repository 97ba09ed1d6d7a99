// The desktop shell: what each member hands to it, and its failures.

#include <fstream>

#include "platform/CShell.h"
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

TEST_F(ShellTest, EachMemberHandsItsTargetToTheShell) {
    CShell(shell).OpenDocument(document);
    CShell(shell).OpenUrl("http://www.example.com/");
    CShell(shell).LaunchProgram(document, "-a \"two words\" \"\" b\tc", false, "/ignored");
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
                        "launch " + document + " <-a> <two words> <> <b> <c> in " + dir,
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

}  // namespace
}  // namespace th
