#pragma once
// The shell launcher: hands documents, folders, addresses and programs to the desktop.
// Every member either completes or throws th::Error; none returns a value. A caller
// makes a fresh one for each use.

#include <charconv>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/Ports.h"

namespace th {

class CShell {
  public:
    // The error numbers of the class: the object-error base plus 18041 to 18055.
    static constexpr int32_t kErrFileNotFound = static_cast<int32_t>(0x80044679u);
    static constexpr int32_t kErrPathNotFound = static_cast<int32_t>(0x8004467Au);
    static constexpr int32_t kErrAccessDenied = static_cast<int32_t>(0x8004467Bu);
    static constexpr int32_t kErrOutOfMemory = static_cast<int32_t>(0x8004467Cu);
    static constexpr int32_t kErrDllNotFound = static_cast<int32_t>(0x8004467Du);
    static constexpr int32_t kErrShare = static_cast<int32_t>(0x8004467Eu);
    static constexpr int32_t kErrAssocIncomplete = static_cast<int32_t>(0x8004467Fu);
    static constexpr int32_t kErrDdeTimeout = static_cast<int32_t>(0x80044680u);
    static constexpr int32_t kErrDdeFail = static_cast<int32_t>(0x80044681u);
    static constexpr int32_t kErrDdeBusy = static_cast<int32_t>(0x80044682u);
    static constexpr int32_t kErrNoAssociation = static_cast<int32_t>(0x80044683u);
    static constexpr int32_t kErrBadFormat = static_cast<int32_t>(0x80044684u);
    static constexpr int32_t kErrCannotCreateProcess = static_cast<int32_t>(0x80044685u);
    static constexpr int32_t kErrCannotShowProperties = static_cast<int32_t>(0x80044686u);
    static constexpr int32_t kErrComponentFailure = static_cast<int32_t>(0x80044687u);

    explicit CShell(ShellPort& shell) : shell_(shell) {}

    // Opens a new message in the default mail program.
    void CreateNewMailMessage(const std::string& RecipientAddress,
                              const std::string& CCRecipientAddress = "",
                              const std::string& Subject = "", const std::string& Body = "");
    // Opens the folder in the file manager.
    void ExploreFolder(const std::string& FolderName);
    // Starts a program; Parameters is its command-line tail, split into arguments at
    // blanks outside double quotes.
    void LaunchProgram(const std::string& PathFileName, const std::string& Parameters = "",
                       bool WaitToFinish = false, const std::string& StartDirectory = "");
    // Parameters may be any number too; it is passed as its decimal text.
    template <typename Number>
    requires std::is_arithmetic_v<Number> &&
        (!std::is_same_v<Number, bool>)void LaunchProgram(const std::string& PathFileName,
                                                          Number Parameters,
                                                          bool WaitToFinish = false,
                                                          const std::string& StartDirectory = "") {
        char text[64];
        auto end = std::to_chars(text, text + sizeof text, Parameters).ptr;
        LaunchProgram(PathFileName, std::string(text, end), WaitToFinish, StartDirectory);
    }
    // Opens a file with the desktop's default program for its kind.
    void OpenDocument(const std::string& PathFileName);
    // Opens the folder.
    void OpenFolder(const std::string& FolderName);
    // Opens the address with its default handler (the browser for web pages).
    void OpenUrl(const std::string& URL);
    // Shows the file's properties sheet; HWndOwner 0 means the desktop.
    void ShowProperties(const std::string& PathFileName, int32_t HWndOwner = 0);

  private:
    ShellPort& shell_;
};

// Helpers of the launcher, open to tests.
namespace shell_detail {

// Whether anything exists at the path; "*" and "?" in its last part are wildcards.
bool pathExists(const std::string& path);
// The folder a launched item runs in: the path up to its last "/", empty without one.
std::string workingFolder(const std::string& path);
// A command-line tail as arguments: blanks separate, double quotes group.
std::vector<std::string> splitParameters(const std::string& parameters);
// The address of a new mail message.
std::string mailtoAddress(const std::string& recipient, const std::string& cc,
                          const std::string& subject, const std::string& body);

}  // namespace shell_detail

// Opens a file the program has just written with the desktop's program for its kind. When
// that cannot be done it says so, and that the file is written all the same: the
// launcher's own error named no file.
void openForViewing(ShellPort& shell, MessageBoxPort& messages, const std::string& path);

}  // namespace th
