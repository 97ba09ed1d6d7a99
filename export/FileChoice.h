#pragma once
// One file dialog, made fresh for one command: the settings the command gives it and
// the answer it reads back.

#include <cstdint>
#include <optional>
#include <string>

#include "scan/MainForm.h"

namespace th {

struct FileChoiceSettings {
    bool save = false;  // the Save dialog, else the Open dialog
    bool center = false;
    bool owned = false;  // owned by the main window
    std::string defaultExt;
    uint32_t flags = 0;
    std::string title;
    std::string filter;  // "Description|pattern|..."
};

struct FileChoice {
    std::string fileName;   // full path
    std::string fileTitle;  // name without its folder
};

// Shows the dialog; nothing when the user cancelled.
std::optional<FileChoice> chooseFile(MainForm& form, const FileChoiceSettings& settings);

}  // namespace th
