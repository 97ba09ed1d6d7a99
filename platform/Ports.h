#pragma once
// What the core asks of the outside world. Each port has a Qt adapter (app/), a
// terminal adapter (cli/) and a scripted fake (tests/support/).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace th {

// Message boxes: buttons and icons keep the platform's numbering so that a box is
// described the same way everywhere.
enum class MsgButtons {
    Ok = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5
};
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The first button of a set, the one a box makes its default unless told otherwise.
constexpr MsgResult firstButton(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            return MsgResult::Ok;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo:
            return MsgResult::Yes;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
    }
    return MsgResult::Ok;
}

// Whether a set of buttons holds the button that answers with this result.
constexpr bool hasButton(MsgButtons buttons, MsgResult button) {
    switch (buttons) {
        case MsgButtons::Ok:
            return button == MsgResult::Ok;
        case MsgButtons::OkCancel:
            return button == MsgResult::Ok || button == MsgResult::Cancel;
        case MsgButtons::AbortRetryIgnore:
            return button == MsgResult::Abort || button == MsgResult::Retry ||
                   button == MsgResult::Ignore;
        case MsgButtons::YesNoCancel:
            return button == MsgResult::Yes || button == MsgResult::No ||
                   button == MsgResult::Cancel;
        case MsgButtons::YesNo:
            return button == MsgResult::Yes || button == MsgResult::No;
        case MsgButtons::RetryCancel:
            return button == MsgResult::Retry || button == MsgResult::Cancel;
    }
    return false;
}

class MessageBoxPort {
  public:
    virtual ~MessageBoxPort() = default;
    // Shows a modal box and returns the button pressed. Texts are the program's bytes.
    // defaultButton is the one Return presses; a button the box does not have means its
    // first. A question whose Yes loses data makes No the default.
    virtual MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                           const std::string& title, MsgResult defaultButton) = 0;
    // The same box with its first button as the default.
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) {
        return show(prompt, buttons, icon, title, firstButton(buttons));
    }
};

// One request for the platform's file chooser, as the file dialog class builds it.
struct FileChooserRequest {
    bool save = false;                                         // Save dialog, else Open
    std::string title;                                         // caption
    std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
    int initialFilter = 1;                                     // 1-based
    std::string initialDir;                                    // empty: the platform's choice
    std::string proposedName;                                  // name shown at start
    std::string defaultExt;                                    // without the dot
    int32_t owner = 0;                                         // owner window handle, 0 none
    uint32_t flags = 0;                                        // option bits as requested
    bool center = false;                                       // centre on the whole screen
    bool folder = false;                                       // a folder, not a file
};

class FileChooserPort {
  public:
    virtual ~FileChooserPort() = default;
    // Shows the chooser; returns the chosen full paths, or nothing when cancelled.
    virtual std::vector<std::string> choose(const FileChooserRequest& request) = 0;
    // Whether a handle names an existing window (0 is never asked).
    virtual bool isWindow(int32_t handle) = 0;
};

// The application-wide mouse pointer; shapes use the platform's numbers (0 default,
// 11 hourglass).
class CursorPort {
  public:
    virtual ~CursorPort() = default;
    virtual int16_t shape() = 0;
    virtual void setShape(int16_t shape) = 0;
};

// Handing control to the event loop, and repainting one indicator at once.
class EventsPort {
  public:
    virtual ~EventsPort() = default;
    virtual void processEvents() = 0;
    // Paints what the window's indicators show now, without running other events.
    virtual void repaintNow() = 0;
};

// The desktop shell: opening documents and addresses and starting programs. Results
// follow the platform's launcher: a value above 32 is success, anything else an error
// code of the launcher's table (see shellcode below).
class ShellPort {
  public:
    virtual ~ShellPort() = default;
    // Opens a file or folder with the desktop's default program for it.
    virtual int64_t openDocument(const std::string& path) = 0;
    // Opens an address (web page, mailto:) with the desktop's handler for it.
    virtual int64_t openUrl(const std::string& url) = 0;
    // Starts a program with its arguments and returns at once.
    virtual int64_t startProgram(const std::string& program,
                                 const std::vector<std::string>& args) = 0;
    // The program that opens a document of this kind, empty when there is none. Empty
    // only when the desktop is known to have none: the shell launcher then reports "no
    // association" without asking the opener. When the desktop cannot be asked, the
    // opener's own path is the honest answer.
    virtual std::string findExecutable(const std::string& document) = 0;
    // Starts a program in a working folder (empty: the caller's). With wait, returns only
    // once the program has ended; a result of 32 or less then means it never started.
    // This fallback cannot wait or change folder: adapters that can, override it.
    virtual int64_t launchProgram(const std::string& program, const std::vector<std::string>& args,
                                  const std::string& workingDir, bool wait) {
        (void)workingDir;
        return wait ? 0 : startProgram(program, args);
    }
    // Shows the desktop's properties sheet of a file; owner 0 means no owner window.
    // False when the desktop could not show it (the fallback never can).
    virtual bool showProperties(const std::string& path, int32_t owner) {
        (void)path;
        (void)owner;
        return false;
    }
};

// The launcher's result codes that the shell launcher tells apart. An adapter maps its
// own mechanism's failures onto the nearest of them.
namespace shellcode {
inline constexpr int64_t kSuccess = 33;  // any value above 32
inline constexpr int64_t kOtherFailure = 0;
inline constexpr int64_t kFileNotFound = 2;
inline constexpr int64_t kPathNotFound = 3;
inline constexpr int64_t kAccessDenied = 5;
inline constexpr int64_t kOutOfMemory = 8;
inline constexpr int64_t kBadFormat = 11;
inline constexpr int64_t kShare = 26;
inline constexpr int64_t kAssocIncomplete = 27;
inline constexpr int64_t kDdeTimeout = 28;
inline constexpr int64_t kDdeFail = 29;
inline constexpr int64_t kDdeBusy = 30;
inline constexpr int64_t kNoAssociation = 31;
inline constexpr int64_t kDllNotFound = 32;
}  // namespace shellcode

struct Ports {
    MessageBoxPort& messages;
    FileChooserPort& files;
    CursorPort& cursor;
    EventsPort& events;
    ShellPort& shell;
};

// Texts shared by every subsystem's boxes.
inline constexpr const char* kMsgTitle = "Quelvane - tallyhound";
inline constexpr const char* kErrTitle = "        ";
inline constexpr const char* kPad = "        ";  // every prompt line ends with these
inline constexpr const char* kCrLf = "\r\n";

}  // namespace th
