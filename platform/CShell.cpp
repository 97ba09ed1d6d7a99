#include "platform/CShell.h"

#include <filesystem>

#include "platform/Error.h"
#include "platform/MessageBoxes.h"

namespace th {

namespace {

struct CodeError {
    int64_t code;
    int32_t number;
    const char* description;
    bool inShortTable;  // also raised by the address members (mail, web)
};

// What the launcher's failure codes raise. The address members report only the
// failures that say something about the system rather than about the address.
constexpr CodeError kCodeErrors[] = {
    {shellcode::kFileNotFound, CShell::kErrFileNotFound, "File not found", false},
    {shellcode::kPathNotFound, CShell::kErrPathNotFound, "Path not found", false},
    {shellcode::kAccessDenied, CShell::kErrAccessDenied, "Acces denied", false},
    {shellcode::kOutOfMemory, CShell::kErrOutOfMemory, "Out of memory", true},
    {shellcode::kBadFormat, CShell::kErrBadFormat, "Invalid EXE file or error in EXE image", false},
    {shellcode::kShare, CShell::kErrShare, "A sharing violation occurred", true},
    {shellcode::kAssocIncomplete, CShell::kErrAssocIncomplete,
     "Incomplete or invalid file association", false},
    {shellcode::kDdeTimeout, CShell::kErrDdeTimeout, "DDE timeout", true},
    {shellcode::kDdeFail, CShell::kErrDdeFail, "DDE transaction failed", true},
    {shellcode::kDdeBusy, CShell::kErrDdeBusy, "DDE busy", true},
    {shellcode::kNoAssociation, CShell::kErrNoAssociation, "No association for file extension",
     false},
    {shellcode::kDllNotFound, CShell::kErrDllNotFound, "DLL not found", false},
};

[[noreturn]] void raise(int32_t number, const char* description) {
    throw Error(number, appBaseName() + ".CShell", description);
}

[[noreturn]] void raiseForCode(int64_t code) {
    for (const CodeError& e : kCodeErrors)
        if (e.code == code) raise(e.number, e.description);
    raise(CShell::kErrComponentFailure, "CShell component failure");
}

// Members that open files, folders and programs: every failure is reported, and one
// the table does not name is still a failure, never a silent success.
void checkFull(int64_t code) {
    if (code <= 32) raiseForCode(code);
}

// Members that open addresses: only the failures of the short table are reported; an
// address nothing handles returns quietly.
void checkShort(int64_t code) {
    if (code > 32) return;
    for (const CodeError& e : kCodeErrors)
        if (e.code == code && e.inShortTable) raise(e.number, e.description);
}

void requireExisting(const std::string& path) {
    if (!shell_detail::pathExists(path)) raise(CShell::kErrFileNotFound, "File not found");
}

// "*" any run of characters, "?" any one character; nothing else is special.
bool wildcardMatch(const std::string& pattern, const std::string& name) {
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

namespace shell_detail {

bool pathExists(const std::string& path) {
    namespace fs = std::filesystem;
    if (path.empty()) return false;
    std::error_code ec;
    size_t slash = path.rfind('/');
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (pattern.find_first_of("*?") == std::string::npos)
        return fs::exists(fs::symlink_status(path, ec));

    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (!fs::is_directory(folder, ec)) return false;
    // A listing of a folder starts with its two own entries.
    if (wildcardMatch(pattern, ".") || wildcardMatch(pattern, "..")) return true;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec))
        if (wildcardMatch(pattern, it->path().filename().string())) return true;
    return false;
}

std::string workingFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<std::string> splitParameters(const std::string& parameters) {
    std::vector<std::string> args;
    std::string current;
    bool inWord = false, quoted = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;  // "" is an empty argument
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) args.push_back(std::move(current));
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord) args.push_back(std::move(current));
    return args;
}

std::string mailtoAddress(const std::string& recipient, const std::string& cc,
                          const std::string& subject, const std::string& body) {
    std::string address = "mailto:" + recipient;
    const char* separator = "?";
    for (const auto& [name, value] :
         {std::pair<const char*, const std::string&>{"subject=", subject},
          {"cc=", cc},
          {"body=", body}}) {
        if (value.empty()) continue;
        address += separator;
        address += name;
        address += value;
        separator = "&";
    }
    return address;
}

}  // namespace shell_detail

void CShell::CreateNewMailMessage(const std::string& RecipientAddress,
                                  const std::string& CCRecipientAddress, const std::string& Subject,
                                  const std::string& Body) {
    checkShort(shell_.openUrl(
        shell_detail::mailtoAddress(RecipientAddress, CCRecipientAddress, Subject, Body)));
}

void CShell::ExploreFolder(const std::string& FolderName) {
    checkFull(shell_.openDocument(FolderName));
}

void CShell::LaunchProgram(const std::string& PathFileName, const std::string& Parameters,
                           bool WaitToFinish, const std::string& StartDirectory) {
    requireExisting(PathFileName);
    std::vector<std::string> args = shell_detail::splitParameters(Parameters);
    if (WaitToFinish) {
        // The program runs with the caller's environment: an empty one would leave a
        // desktop program without its display.
        if (shell_.launchProgram(PathFileName, args, StartDirectory, true) <= 32)
            raise(kErrCannotCreateProcess, "Cannot create process");
        return;
    }
    checkFull(
        shell_.launchProgram(PathFileName, args, shell_detail::workingFolder(PathFileName), false));
}

void CShell::OpenDocument(const std::string& PathFileName) {
    requireExisting(PathFileName);
    // The desktop names the program for the document's kind; without one there is no
    // point in asking the opener.
    if (shell_.findExecutable(PathFileName).empty()) raiseForCode(shellcode::kNoAssociation);
    checkFull(shell_.openDocument(PathFileName));
}

void CShell::OpenFolder(const std::string& FolderName) {
    checkFull(shell_.openDocument(FolderName));
}

void CShell::OpenUrl(const std::string& URL) {
    checkShort(shell_.openUrl(URL));
}

void CShell::ShowProperties(const std::string& PathFileName, int32_t HWndOwner) {
    requireExisting(PathFileName);
    if (!shell_.showProperties(PathFileName, HWndOwner))
        raise(kErrCannotShowProperties, "Cannot show properties");
}

void openForViewing(ShellPort& shell, MessageBoxPort& messages, const std::string& path) {
    try {
        CShell(shell).OpenDocument(path);
    } catch (const Error& e) {
        showErrorBox(messages, "'" + path + "' was written but could not be opened", e,
                     "Open it with a program of your choice.");
    }
}

}  // namespace th
