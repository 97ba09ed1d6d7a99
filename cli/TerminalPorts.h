#pragma once
// The ports as a terminal program has them: boxes become lines on standard error and
// are answered from fixed answers, nothing is chosen interactively and nothing is opened
// (a scheduled job has no desktop to open a document on).

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "platform/HeadlessPorts.h"
#include "platform/Ports.h"

namespace th::cli {

class TerminalMessages : public MessageBoxPort {
  public:
    explicit TerminalMessages(std::ostream& err) : err_(err) {}
    // Answer for a question box whose prompt starts with the key. Nobody is there to
    // answer the others, so they are declined: the box's default when that is No or
    // Cancel, otherwise No (Cancel for a box without No).
    std::map<std::string, MsgResult> answers;
    // Whether information boxes are printed, and error boxes (else only kept in errors).
    bool printInformation = true;
    bool printErrors = true;
    std::vector<std::string> errors;  // prompts of error boxes shown, as shown
    using MessageBoxPort::show;
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title, MsgResult defaultButton) override;

  private:
    std::ostream& err_;
};

// Hands out the paths given on the command line, one per dialog, in order.
class TerminalFiles : public FileChooserPort {
  public:
    std::vector<std::string> paths;
    std::vector<std::string> choose(const FileChooserRequest& request) override;
    bool isWindow(int32_t) override { return false; }

  private:
    size_t next_ = 0;
};

struct TerminalPorts {
    explicit TerminalPorts(std::ostream& err) : messages(err) {}
    TerminalMessages messages;
    TerminalFiles files;
    HeadlessCursor cursor;
    HeadlessEvents events;
    HeadlessShell shell;
    Ports ports{messages, files, cursor, events, shell};
};

// A prompt for the terminal: CR LF become LF, the padding at line ends goes, and each
// line is written as cli/TerminalText writes text.
std::string promptForTerminal(const std::string& prompt);

}  // namespace th::cli
