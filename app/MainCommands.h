#pragma once
// The command buttons' one click handler, and the texts its flows show.

#include <cstdint>
#include <string>

#include "scan/MainForm.h"

namespace th {

// Runs the command of button Index (0 Load Log, 1 Scan, 2 Exit, 3 HTML, 4 Merge,
// 5 Save, 6 Import) under one error trap; other indexes do nothing.
void cmdQuelvane_Click(MainForm& form, int16_t index);

namespace cmd {
inline constexpr int16_t kLoadLog = 0, kScan = 1, kExit = 2, kHtml = 3, kMerge = 4, kSave = 5,
                         kImport = 6;

inline constexpr const char* kLogDialogTitle = "Select Punkbuster log";
inline constexpr const char* kLogFilter = "Punkbuster log (*.log)|*.log";
inline constexpr const char* kLogDefaultExt = "log";
inline constexpr int32_t kLogDialogFlags = 0x181808;
inline constexpr const char* kLogFolderDialogTitle = "Select a folder of Punkbuster logs";
inline constexpr const char* kLogFolderUnreadable = "The folder of logs could not be read";
inline constexpr const char* kLogFolderUnreadableAdvice =
    "Check that the folder is there and that you may read it, then choose it again.";
inline constexpr const char* kNoLogsInFolder =
    "The folder holds no .log files; choose another with Load log folder.";

inline constexpr const char* kLogNotFound =
    "Selected log file not found, this file may have been moved or deleted";
inline constexpr const char* kAskScan = "Scan selected log?";
inline constexpr const char* kAskClearGrid = "Clear grid of all records?";
inline constexpr const char* kNoneAdded = "No violations added to grid";
inline constexpr const char* kSomeAdded = " violations found and added to grid";
inline constexpr const char* kUnhandledError = "An error unhandled error has occured";
// What to do, under the box's own words.
inline constexpr const char* kUnhandledAdvice =
    "Check the file named above (is it there, can it be read or written?) and try again.";
inline constexpr const char* kLogNotFoundAdvice = "Choose the log again with Load Log.";
// Under a file of another kind (a log chosen for Import): nothing about it is to be checked.
// Under a name the program will not write over (a log loaded for scanning).
inline constexpr const char* kRefusedAdvice =
    "Choose another name and try again; nothing was written.";
inline constexpr const char* kWrongFileAdvice =
    "The file named above is not one this command reads; choose another and try again.";
inline constexpr const char* kMergeCancelled =
    "Merge cancelled: the ban file and the ban database are as they were.";
inline std::string keepFoundText(int32_t found) {
    return "Scan cancelled. Keep the " + std::to_string(found) + " violations found so far?";
}
inline constexpr const char* kAskLeave =
    "The grid holds violations that were not saved, exported or merged. Leave anyway?";
}  // namespace cmd

}  // namespace th
