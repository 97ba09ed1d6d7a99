#pragma once
// Scripted stand-ins for every port: they record what the core showed and answer
// from a script, so tests assert exact texts and drive whole commands headless.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ports.h"

namespace th::test {

struct ShownBox {
    std::string prompt;
    MsgButtons buttons;
    MsgIcon icon;
    std::string title;
    MsgResult defaultButton;  // the one Return presses
};

class ScriptedMessages : public MessageBoxPort {
  public:
    // Answers in order; the box's default button, as Return would press it, when the
    // script runs out.
    std::deque<MsgResult> answers;
    std::vector<ShownBox> shown;
    // Runs as each box is shown, before it is answered, e.g. to press Cancel meanwhile.
    std::function<void(const std::string& prompt)> onShow;
    using MessageBoxPort::show;
    MsgResult show(const std::string& prompt, MsgButtons buttons, MsgIcon icon,
                   const std::string& title, MsgResult defaultButton) override;
};

class ScriptedFiles : public FileChooserPort {
  public:
    // Each answer is the list of chosen paths; an empty list cancels.
    std::deque<std::vector<std::string>> answers;
    std::vector<FileChooserRequest> requests;
    std::vector<int32_t> liveWindows;
    std::function<void()> onChoose;  // runs as a chooser opens, e.g. to see what is shown
    std::vector<std::string> choose(const FileChooserRequest& request) override;
    bool isWindow(int32_t handle) override;
};

class ScriptedCursor : public CursorPort {
  public:
    int16_t current = 0;
    int16_t shape() override { return current; }
    void setShape(int16_t s) override { current = s; }
};

class ScriptedEvents : public EventsPort {
  public:
    std::function<void()> onRepaint;  // runs at each repaint, e.g. to break something mid-way
    void processEvents() override {}
    void repaintNow() override {
        if (onRepaint) onRepaint();
    }
};

class ScriptedShell : public ShellPort {
  public:
    struct Call {
        std::string kind, target;
        std::vector<std::string> args;
        std::string workingDir;  // launches only
        bool wait = false;       // launches only
        int32_t owner = 0;       // properties only
    };
    std::vector<Call> calls;
    int64_t result = 42;           // what every launch returns
    bool propertiesResult = true;  // what showProperties returns
    std::string executable = "/usr/bin/xdg-open";
    int64_t openDocument(const std::string& path) override { return record("document", path); }
    int64_t openUrl(const std::string& url) override { return record("url", url); }
    int64_t startProgram(const std::string& program,
                         const std::vector<std::string>& args) override {
        return record("program", program, args);
    }
    std::string findExecutable(const std::string&) override { return executable; }
    int64_t launchProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::string& workingDir, bool wait) override {
        return record("launch", program, args, workingDir, wait);
    }
    bool showProperties(const std::string& path, int32_t owner) override {
        calls.push_back({"properties", path, {}, {}, false, owner});
        return propertiesResult;
    }

  private:
    int64_t record(const char* kind, const std::string& target, std::vector<std::string> args = {},
                   std::string workingDir = {}, bool wait = false) {
        calls.push_back({kind, target, std::move(args), std::move(workingDir), wait, 0});
        return result;
    }
};

// All ports in one place, ready to hand to a MainForm.
struct ScriptedPorts {
    ScriptedMessages messages;
    ScriptedFiles files;
    ScriptedCursor cursor;
    ScriptedEvents events;
    ScriptedShell shell;
    Ports ports{messages, files, cursor, events, shell};
};

}  // namespace th::test
