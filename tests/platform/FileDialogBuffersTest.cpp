// The buffers the file dialog trades: the filter's NUL form, the answer the chooser's
// paths become, and the parsing routine that turns a returned buffer into properties.

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/FileDialogBuffers.h"

using namespace std::string_literals;
namespace M = th::MFileOpenSaveDialog;

namespace {

std::string padded(const std::string& text) {
    std::string buffer = text;
    buffer.resize(M::kBufferLength, '\0');
    return buffer;
}

TEST(FileDialogFilter, BarsBecomeNulsAndTwoNulsEndTheList) {
    struct Case {
        std::string filter, expected;
    } cases[] = {
        {"A (*.a)|*.a|B (*.b)|*.b", "A (*.a)\0*.a\0B (*.b)\0*.b\0\0"s},
        {"", "\0\0"s},
        {"Punkbuster log (*.log)|*.log", "Punkbuster log (*.log)\0*.log\0\0"s},
        {"A||B", "A\0\0B\0\0"s},
        {"Logs (*.log;*.txt)|*.log;*.txt|", "Logs (*.log;*.txt)\0*.log;*.txt\0\0\0"s},
    };
    for (const auto& c : cases) EXPECT_EQ(M::convertFilter(c.filter), c.expected) << c.filter;
}

TEST(FileDialogFilter, ChooserGetsThePairsUpToTheFirstEmptyString) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        std::string filter;
        Pairs expected;
    } cases[] = {
        {"A (*.a)|*.a|B (*.b)|*.b", {{"A (*.a)", "*.a"}, {"B (*.b)", "*.b"}}},
        {"Scan File (*.sf)|*.sf", {{"Scan File (*.sf)", "*.sf"}}},
        {"", {}},
        {"A||B|*.b", {}},             // the empty string ends the list at once
        {"A|*.a|B", {{"A", "*.a"}}},  // a description without pattern is dropped
        {"A|*.a||B|*.b", {{"A", "*.a"}}},
        {"|*.a", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(M::filterPairs(M::convertFilter(c.filter)), c.expected) << c.filter;
    }
}

// A selection state that shows what the routine left alone.
M::Selection before() {
    M::Selection s;
    s.FileCount = 0;
    s.SelectedPath = "kept/";
    s.fileList = {"old"};
    return s;
}

struct ParseCase {
    const char* name;
    std::string buffer;
    int kind;
    int32_t flags;
    std::string result;
    int16_t fileCount;
    std::string selectedPath;
    std::vector<std::string> fileList;
};

void runParseCases(const std::vector<ParseCase>& cases) {
    for (const auto& c : cases) {
        auto selection = before();
        EXPECT_EQ(M::parseBuffer(c.buffer, c.kind, c.flags, selection), c.result) << c.name;
        EXPECT_EQ(selection.FileCount, c.fileCount) << c.name;
        EXPECT_EQ(selection.SelectedPath, c.selectedPath) << c.name;
        EXPECT_EQ(selection.fileList, c.fileList) << c.name;
    }
}

constexpr int kFile = M::kBufferFileName;
constexpr int kTitle = M::kBufferFileTitle;
constexpr int32_t kSingle = 0x80806;
constexpr int32_t kMulti = 0x80806 | M::kOfnAllowMultiSelect;
const std::vector<std::string> kOld = {"old"};

// Answers as the Windows dialog gives them, with "/" where it writes a backslash.
TEST(FileDialogParse, WindowsAnswersWithThePlatformSeparator) {
    runParseCases({
        {"single", padded("C:/logs/server.log"), kFile, kSingle, "C:/logs/server.log", 1,
         "C:/logs/", kOld},
        {"single title", padded("server.log"), kTitle, kSingle, "server.log", 0, "kept/", kOld},
        {"multiple",
         padded("C:/logs\0a.log\0b.log\0\0"s),
         kFile,
         kMulti,
         "C:/logs/a.log",
         2,
         "C:/logs",
         {"C:/logs", "a.log", "b.log"}},
        {"multiple in the root",
         padded("C:/\0a.log\0b.log"s),
         kFile,
         kMulti,
         "C:/a.log",
         2,
         "C:",
         {"C:/", "a.log", "b.log"}},
        {"multiple, one file",
         padded("C:/logs/a.log"),
         kFile,
         kMulti,
         "C:/logs/a.log",
         1,
         "C:/logs/",
         {"C:/logs/a.log"}},
        {"longer proposed name", padded("C:/b.log\0ng-proposed-name.log"s), kFile, kSingle,
         "C:/b.log", 1, "C:/", kOld},
    });
}

TEST(FileDialogParse, SingleSelection) {
    runParseCases({
        {"full path", padded("/logs/server.log"), kFile, kSingle, "/logs/server.log", 1, "/logs/",
         kOld},
        {"file in the root", padded("/server.log"), kFile, kSingle, "/server.log", 1, "/", kOld},
        {"leftover of a longer proposed name", padded("/b.log\0/very/long/proposal.log"s), kFile,
         kSingle, "/b.log", 1, "/", kOld},
        {"no folder keeps the old one", padded("server.log"), kFile, kSingle, "server.log", 1,
         "kept/", kOld},
        {"unpadded", "/logs/a.log", kFile, kSingle, "/logs/a.log", 1, "/logs/", kOld},
        // Only spaces count as blank: an all-NUL buffer still runs the routine.
        {"all NULs", padded(""), kFile, kSingle, "", 1, "kept/", kOld},
        {"NUL first", "\0/logs/a.log"s, kFile, kSingle, "", 1, "kept/", kOld},
        {"spaces only", "    ", kFile, kSingle, "", 0, "kept/", kOld},
        {"empty", "", kFile, kSingle, "", 0, "kept/", kOld},
        {"spaces around a name", padded("  /a b/c.log  "), kFile, kSingle, "  /a b/c.log  ", 1,
         "  /a b/", kOld},
    });
}

TEST(FileDialogParse, Titles) {
    runParseCases({
        {"name", padded("server.log"), kTitle, kSingle, "server.log", 0, "kept/", kOld},
        {"leftover", padded("b.log\0oposed.log"s), kTitle, kSingle, "b.log", 0, "kept/", kOld},
        {"no NUL", "server.log", kTitle, kMulti, "server.log", 0, "kept/", kOld},
        {"NUL first", "\0server.log"s, kTitle, kSingle, "", 0, "kept/", kOld},
        {"spaces only", "   ", kTitle, kSingle, "", 0, "kept/", kOld},
        {"unknown kind", padded("/logs/a.log"), 3, kSingle, "", 0, "kept/", kOld},
        {"kind 0", padded("/logs/a.log"), 0, kMulti, "", 0, "kept/", kOld},
    });
}

TEST(FileDialogParse, MultipleSelection) {
    runParseCases({
        {"two files",
         padded("/logs\0a.log\0b.log\0\0"s),
         kFile,
         kMulti,
         "/logs/a.log",
         2,
         "/logs",
         {"/logs", "a.log", "b.log"}},
        {"three files",
         padded("/srv/pb\0x.log\0y.log\0z.log\0\0"s),
         kFile,
         kMulti,
         "/srv/pb/x.log",
         3,
         "/srv/pb",
         {"/srv/pb", "x.log", "y.log", "z.log"}},
        {"root folder",
         padded("/\0a.log\0b.log\0\0"s),
         kFile,
         kMulti,
         "/a.log",
         2,
         "",
         {"/", "a.log", "b.log"}},
        {"one file",
         padded("/logs/a.log"),
         kFile,
         kMulti,
         "/logs/a.log",
         1,
         "/logs/",
         {"/logs/a.log"}},
        {"one file in the root", padded("/a.log"), kFile, kMulti, "/a.log", 1, "/", {"/a.log"}},
        // The folder comes from the chosen path, never from what is left of the proposal.
        {"one file, leftover with folders",
         padded("/a.log\0ng/dir/name.log"s),
         kFile,
         kMulti,
         "/a.log",
         1,
         "/",
         {"/a.log", "ng/dir/name.log"}},
        {"one file without folder", padded("a.log"), kFile, kMulti, "a.log", 1, "", {"a.log"}},
        {"spaces only", "  ", kFile, kMulti, "", 0, "kept/", kOld},
    });
}

TEST(FileDialogParse, MoreFilesThanACountHoldsIsAnError) {
    M::Selection selection;
    EXPECT_THROW(M::parseBuffer(std::string(40000, '\0'), kFile, kMulti, selection),
                 std::overflow_error);
}

TEST(FileDialogAnswer, ChosenPathsBecomeTheDialogsFileBuffer) {
    struct Case {
        const char* name;
        std::string proposed;
        std::vector<std::string> paths;
        bool multi;
        std::optional<std::string> written;  // the buffer's start; NULs follow
    } cases[] = {
        {"single", "", {"/logs/server.log"}, false, "/logs/server.log\0"s},
        {"over a longer proposal",
         "/home/me/proposed-name.log",
         {"/tmp/b.log"},
         false,
         "/tmp/b.log\0oposed-name.log"s},
        {"two without multiple selection", "", {"/a/x.log", "/a/y.log"}, false, "/a/x.log\0"s},
        {"one with multiple selection", "", {"/logs/a.log"}, true, "/logs/a.log\0"s},
        {"two", "", {"/logs/a.log", "/logs/b.log"}, true, "/logs\0a.log\0b.log\0\0"s},
        {"root", "", {"/a.log", "/b.log"}, true, "/\0a.log\0b.log\0\0"s},
        {"below a subfolder",
         "",
         {"/logs/a.log", "/logs/old/b.log"},
         true,
         "/logs\0a.log\0old/b.log\0\0"s},
        {"different folders", "", {"/a/x.log", "/b/y.log"}, true, "/\0a/x.log\0b/y.log\0\0"s},
        {"similar folder names",
         "",
         {"/logs/a.log", "/logs2/b.log"},
         true,
         "/\0logs/a.log\0logs2/b.log\0\0"s},
        {"nothing in common", "", {"a.log", "b.log"}, true, std::nullopt},
        {"nothing chosen", "", {}, false, std::nullopt},
        {"path fills the buffer", "", {"/" + std::string(1023, 'x')}, false, std::nullopt},
        {"path and NUL just fit",
         "",
         {"/" + std::string(1022, 'x')},
         false,
         "/" + std::string(1022, 'x') + '\0'},
    };
    for (const auto& c : cases) {
        auto proposed = M::padBuffer(c.proposed);
        ASSERT_TRUE(proposed) << c.name;
        auto buffer = M::answerFileBuffer(*proposed, c.paths, c.multi);
        ASSERT_EQ(buffer.has_value(), c.written.has_value()) << c.name;
        if (!buffer) continue;
        EXPECT_EQ(*buffer, padded(*c.written)) << c.name;
    }
}

TEST(FileDialogAnswer, TitleBufferHoldsTheBareName) {
    auto proposed = M::padBuffer("a-much-longer-title.log");
    ASSERT_TRUE(proposed);
    EXPECT_EQ(M::answerTitleBuffer(*proposed, {"/logs/b.log", "/logs/c.log"}),
              padded("b.log\0-longer-title.log"s));
    EXPECT_EQ(M::answerTitleBuffer(*M::padBuffer(""), {"plain.log"}), padded("plain.log"));
    EXPECT_FALSE(M::answerTitleBuffer(*proposed, {}));
}

TEST(FileDialogAnswer, BuffersAreAlways1024Characters) {
    EXPECT_EQ(M::padBuffer(""), std::string(1024, '\0'));
    EXPECT_EQ(M::padBuffer(std::string(1024, 'n')), std::string(1024, 'n'));
    EXPECT_FALSE(M::padBuffer(std::string(1025, 'n')));
}

TEST(FileDialogCentring, HookFollowsTheFlags) {
    struct Case {
        int32_t flags;
        M::CenterHook hook;
    } cases[] = {
        {0, M::CenterHook::None},
        {0x280000, M::CenterHook::None},
        {0x20, M::CenterHook::CenterDialogHookOldStyle},
        {0x806 | 0x20, M::CenterHook::CenterDialogHookOldStyle},
        {0x80020, M::CenterHook::CenterDialogHook},
        {0x181828, M::CenterHook::CenterDialogHook},
    };
    for (const auto& c : cases) EXPECT_EQ(M::centerHookFor(c.flags), c.hook) << c.flags;
}

TEST(FileDialogCentring, OriginRoundsHalvesToEven) {
    struct Case {
        int32_t screenW, screenH, w, h, x, y;
    } cases[] = {
        {1920, 1080, 800, 600, 560, 240},
        {1920, 1080, 801, 601, 560, 240},  // 559.5 and 239.5 go up to the even neighbour
        {1921, 1081, 800, 600, 560, 240},  // 560.5 and 240.5 go down
        {800, 600, 1001, 603, -100, -2},   // bigger than the screen: -100.5 and -1.5
        {800, 600, 1000, 601, -100, 0},    // -0.5 rounds to 0
        {640, 480, 640, 480, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(M::centeredOrigin(c.screenW, c.screenH, c.w, c.h), std::make_pair(c.x, c.y))
            << c.w << "x" << c.h << " on " << c.screenW << "x" << c.screenH;
    }
}

}  // namespace
