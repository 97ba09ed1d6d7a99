#include "about/AboutTexts.h"

#include <cstring>

#include "platform/Ports.h"

#ifndef TALLYHOUND_VERSION_MAJOR
#error "the build passes the program's version"
#endif

namespace th::about {

namespace {
constexpr const char* kListHeading = "Common Violations:";
constexpr const char* kContact = "tallyhound@oakmere.net";
}  // namespace

std::string aboutCaption() {
    return std::string("About ") + kMsgTitle;
}

std::string titleText() {
    return kMsgTitle;
}

std::string versionText(int major, int minor, int revision) {
    return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(revision);
}

std::string programVersionText() {
    return versionText(TALLYHOUND_VERSION_MAJOR, TALLYHOUND_VERSION_MINOR,
                       TALLYHOUND_VERSION_PATCH);
}

std::string violationRowText(const ViolationRow& row) {
    return std::string(row.number) + std::string(row.spaces, ' ') + row.name;
}

std::vector<std::string> descriptionLines() {
    std::vector<std::string> lines = {
        std::string(kMsgTitle) + " - written by Oakmere (" + kContact + ")",
        std::string("This program is designed to scan a Punkbuster *.log and build a list ") +
            "of violations with a violation number equal to or greater than 50000.",
        "NOTE: #9001 ogc_* violations are also saved.",
        "",
        std::string(kListHeading) + kPad,
        std::string(std::strlen(kListHeading), '='),
    };
    for (const ViolationRow& row : kViolationList) lines.push_back(violationRowText(row));
    return lines;
}

std::vector<std::string> disclaimerLines() {
    return {
        "Copyright (C) 2003 Oakmere. All rights reserved.",
        "Oakmere is in no way affiliated with Even Balance.",
        "",
        std::string("Please send questions, suggestions and problem reports to ") + kContact,
    };
}

std::string databaseText(const std::string& path) {
    return "Ban database: " + path;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += kCrLf;
        text += lines[i];
    }
    return text;
}

}  // namespace th::about
