#pragma once
// The buffers a common file dialog trades with its caller: the filter list in its
// NUL-separated form, the fixed-size file and title buffers, and the routine that reads
// a returned buffer back into a file name, a folder and a list of chosen files. The
// chooser port answers with plain paths; the routines here turn that answer into the
// very buffers the dialog would have filled, so one parsing routine serves every case.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace th::MFileOpenSaveDialog {

// The one folder separator of the platform; every routine below splits and joins with it.
inline constexpr char kPathSeparator = '/';
// Length of the shortest folder that ends in a separator ("/" here, "C:\" elsewhere): a
// separator at or after this 1-based position ends a real folder part.
inline constexpr std::size_t kRootLength = 1;
// The dialog's file and title buffers always hold this many characters.
inline constexpr std::size_t kBufferLength = 1024;

// Option bits the dialog class tests itself; the rest pass through to the chooser.
inline constexpr int32_t kOfnEnableHook = 0x20;         // install the centring hook
inline constexpr int32_t kOfnAllowMultiSelect = 0x200;  // answer is a multiple selection
inline constexpr int32_t kOfnExplorer = 0x80000;        // Explorer-style dialog
inline constexpr int32_t kOfnLongNames = 0x200000;
// Passed through: a Save dialog asks before an existing file is replaced, and shows no
// read-only box.
inline constexpr int32_t kOfnOverwritePrompt = 0x2;
inline constexpr int32_t kOfnHideReadOnly = 0x4;

// Which buffer the parsing routine reads.
inline constexpr int kBufferFileName = 1;
inline constexpr int kBufferFileTitle = 2;

// Turns "Desc (*.x)|*.x" into "Desc (*.x)\0*.x\0\0\0": every "|" becomes NUL and two NULs
// end the list.
std::string convertFilter(const std::string& strFilter);

// Reads the NUL form back as description/pattern pairs, the way the dialog does: strings
// one after the other up to the first empty one; a description without a pattern is
// dropped.
std::vector<std::pair<std::string, std::string>> filterPairs(const std::string& nulFilter);

// The text followed by NULs up to kBufferLength characters; nothing when the text is
// longer than the buffer.
std::optional<std::string> padBuffer(const std::string& text);

// What the dialog writes into the file buffer it was given (`proposed`, already padded)
// for the chosen full paths: one path (or any choice without multiple selection) is
// written with its NUL over the proposed name, leaving what follows of it in place; two
// or more with multiple selection become folder NUL name NUL name NUL NUL. Nothing when
// the answer does not fit in the buffer (the dialog then fails as for a cancel).
std::optional<std::string> answerFileBuffer(const std::string& proposed,
                                            const std::vector<std::string>& paths,
                                            bool multiSelect);

// What the dialog writes into the title buffer: the bare name of the first chosen file
// and a NUL over the proposed title. Nothing when it does not fit.
std::optional<std::string> answerTitleBuffer(const std::string& proposed,
                                             const std::vector<std::string>& paths);

// What the parsing routine keeps besides its result: the number of files, their folder
// and the pieces of the last multiple selection (entry 0 the folder).
struct Selection {
    int16_t FileCount = 0;
    std::string SelectedPath;
    std::vector<std::string> fileList{std::string()};
};

// Reads a returned buffer of the given kind. For a file name it also updates `selection`,
// single or multiple selection as `Flags` says. Throws std::overflow_error when a buffer
// holds more pieces than a file count can hold.
std::string parseBuffer(const std::string& buffer, int kind, int32_t Flags, Selection& selection);

// The centring the request asks for: none, the Explorer-style dialog (whose frame is the
// parent of the hooked window) or the old-style dialog (the hooked window itself).
enum class CenterHook { None, CenterDialogHook, CenterDialogHookOldStyle };
CenterHook centerHookFor(int32_t Flags);

// Top-left corner that centres a box of the given size on a screen of the given size;
// halves round to the even neighbour, and a box bigger than the screen gets negative
// coordinates.
std::pair<int32_t, int32_t> centeredOrigin(int32_t screenWidth, int32_t screenHeight, int32_t width,
                                           int32_t height);

}  // namespace th::MFileOpenSaveDialog
