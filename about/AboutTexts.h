#pragma once
// Every text of the About box, spelled exactly, without the widgets that show them.

#include <string>
#include <vector>

namespace th::about {

// One row of the reference list of common violations.
struct ViolationRow {
    const char* number;
    int spaces;  // between number and name: the names line up only roughly
    const char* name;
};

inline constexpr ViolationRow kViolationList[] = {
    {"50000", 5, "Aimbot"},
    {"60000", 5, "Wallhack"},
    {"70000", 5, "Multihack"},
    {"80000", 5, "Gamehack"},
    {"90000", 5, "'Cheat' Video Drivers"},
    {"100000", 3, "Speedhack"},
    {"110000", 3, "Autofire"},
    {"120000", 3, "Game Hook"},
    {"130000", 3, "Attempted PB Hack"},
};

inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kSysInfoCaption = "&System Info...";
inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";
inline constexpr const char* kSysInfoAdvice =
    "Install hardinfo, kinfocenter or gnome-control-center to use this button.";

// "About " and the program title.
std::string aboutCaption();
// The program title, as on every message box.
std::string titleText();
// "Version major.minor.revision", each a plain decimal number.
std::string versionText(int major, int minor, int revision);
// The version text of this build.
std::string programVersionText();

std::string violationRowText(const ViolationRow& row);
// The description with the violation list, one entry per line.
std::vector<std::string> descriptionLines();
// Copyright, non-affiliation and contact, one entry per line.
std::vector<std::string> disclaimerLines();
// Which ban database the program uses, so that the person can find it.
std::string databaseText(const std::string& path);
// Lines joined by CR LF, none after the last.
std::string joinLines(const std::vector<std::string>& lines);

}  // namespace th::about
