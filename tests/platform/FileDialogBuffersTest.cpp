// The buffers the file dialog trades: the filter's NUL form, the answer the chooser's
// paths become, and the parsing routine that turns a returned buffer into properties.

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/FileDialogBuffers.h"

using namespace std::string_literals;
namespace M = th::MFileOpenSaveDialog;

namespace {

using Paths = std::vector<std::string>;

std::string padded(const std::string& text) {
    std::string buffer = text;
    buffer.resize(M::kBufferLength, '\0');
    return buffer;
}

TEST(FileDialogFilter, BarsBecomeNulsAndTheChooserGetsPairsUpToTheFirstEmptyString) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        std::string filter, nul;
        Pairs pairs;
    } cases[] = {
        {"A (*.a)|*.a|B|*.b", "A (*.a)\0*.a\0B\0*.b\0\0"s, {{"A (*.a)", "*.a"}, {"B", "*.b"}}},
        {"", "\0\0"s, {}},
        {"A||B|*.b", "A\0\0B\0*.b\0\0"s, {}},
        {"A|*.a|B", "A\0*.a\0B\0\0"s, {{"A", "*.a"}}},  // a description without pattern
        {"A|*.a|", "A\0*.a\0\0\0"s, {{"A", "*.a"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(M::convertFilter(c.filter), c.nul) << c.filter;
        EXPECT_EQ(M::filterPairs(c.nul), c.pairs) << c.filter;
    }
}

TEST(FileDialogParse, ReturnedBuffersBecomeNameCountFolderAndList) {
    constexpr int kFile = M::kBufferFileName, kTitle = M::kBufferFileTitle;
    constexpr int32_t kOne = 0x80806, kMany = 0x80806 | M::kOfnAllowMultiSelect;
    const Paths kOld = {"old"};
    struct Case {
        std::string buffer;
        int kind;
        int32_t flags;
        std::string result;
        int16_t fileCount;
        std::string selectedPath;
        Paths fileList;
    } cases[] = {
        {padded("/logs/a.log"), kFile, kOne, "/logs/a.log", 1, "/logs/", kOld},
        {padded("/b.log\0/very/long/proposal.log"s), kFile, kOne, "/b.log", 1, "/", kOld},
        {padded("a.log"), kFile, kOne, "a.log", 1, "kept/", kOld},
        {padded(""), kFile, kOne, "", 1, "kept/", kOld},  // only spaces count as blank
        {"    ", kFile, kOne, "", 0, "kept/", kOld},
        {padded("  /a b/c.log  "), kFile, kOne, "  /a b/c.log  ", 1, "  /a b/", kOld},
        {padded("b.log\0oposed.log"s), kTitle, kOne, "b.log", 0, "kept/", kOld},
        {padded("/logs/a.log"), 3, kOne, "", 0, "kept/", kOld},  // unknown kind
        {padded("/l\0a\0b\0\0"s), kFile, kMany, "/l/a", 2, "/l", {"/l", "a", "b"}},
        {padded("/\0a\0b\0c\0\0"s), kFile, kMany, "/a", 3, "", {"/", "a", "b", "c"}},
        {padded("C:/\0a\0b"s), kFile, kMany, "C:/a", 2, "C:", {"C:/", "a", "b"}},
        {padded("/a\0ng/dir/x.log"s), kFile, kMany, "/a", 1, "/", {"/a", "ng/dir/x.log"}},
        {padded("a.log"), kFile, kMany, "a.log", 1, "", {"a.log"}},
    };
    for (const auto& c : cases) {
        M::Selection selection;
        selection.SelectedPath = "kept/";
        selection.fileList = kOld;
        SCOPED_TRACE(c.buffer.substr(0, c.buffer.find_last_not_of('\0') + 1));
        EXPECT_EQ(M::parseBuffer(c.buffer, c.kind, c.flags, selection), c.result);
        EXPECT_EQ(selection.FileCount, c.fileCount);
        EXPECT_EQ(selection.SelectedPath, c.selectedPath);
        EXPECT_EQ(selection.fileList, c.fileList);
    }
    M::Selection selection;  // more pieces than a count holds
    EXPECT_THROW(M::parseBuffer(std::string(40000, '\0'), kFile, kMany, selection),
                 std::overflow_error);
}

TEST(FileDialogAnswer, ChosenPathsBecomeTheDialogsBuffers) {
    struct Case {
        std::string proposed;
        Paths paths;
        bool multi;
        std::optional<std::string> written;  // the buffer's start; NULs follow
    } cases[] = {
        {"/home/me/proposed-name.log", {"/t/b.log"}, false, "/t/b.log\0proposed-name.log"s},
        {"", {"/l/a", "/l/old/b"}, true, "/l\0a\0old/b\0\0"s},
        {"", {"/logs/a", "/logs2/b"}, true, "/\0logs/a\0logs2/b\0\0"s},
        {"", {}, false, std::nullopt},
        {"", {"/" + std::string(1022, 'x')}, false, "/" + std::string(1022, 'x') + '\0'},
    };
    for (const auto& c : cases) {
        auto buffer = M::answerFileBuffer(*M::padBuffer(c.proposed), c.paths, c.multi);
        EXPECT_EQ(buffer, c.written ? std::optional(padded(*c.written)) : std::nullopt)
            << c.paths.size() << " " << c.proposed;
    }
    auto title = *M::padBuffer("a-much-longer-title.log");
    EXPECT_EQ(M::answerTitleBuffer(title, {"/l/b.log", "/l/c"}),
              padded("b.log\0-longer-title.log"s));
    EXPECT_FALSE(M::answerTitleBuffer(title, {}));
    EXPECT_EQ(M::padBuffer(std::string(1024, 'n')), std::string(1024, 'n'));
    EXPECT_FALSE(M::padBuffer(std::string(1025, 'n')));
}

TEST(FileDialogCentring, HookFollowsTheFlagsAndOriginRoundsHalvesToEven) {
    EXPECT_EQ(M::centerHookFor(0x280000), M::CenterHook::None);
    EXPECT_EQ(M::centerHookFor(0x826), M::CenterHook::CenterDialogHookOldStyle);
    EXPECT_EQ(M::centerHookFor(0x80020), M::CenterHook::CenterDialogHook);
    struct Case {
        int32_t screenW, screenH, w, h, x, y;
    } cases[] = {
        {1920, 1080, 801, 601, 560, 240},  // 559.5 and 239.5 go up to the even neighbour
        {1921, 1081, 800, 600, 560, 240},  // 560.5 and 240.5 go down
        {800, 600, 1001, 603, -100, -2},   // bigger than the screen: -100.5 and -1.5
        {800, 600, 1000, 601, -100, 0},    // -0.5 rounds to 0
    };
    for (const auto& c : cases) {
        EXPECT_EQ(M::centeredOrigin(c.screenW, c.screenH, c.w, c.h), std::make_pair(c.x, c.y))
            << c.w << "x" << c.h << " on " << c.screenW << "x" << c.screenH;
    }
}

}  // namespace
