#pragma once
// What the benchmarks that run tallyhound-cli follow share: the players they make up and
// the lines they write for them, and the CPU a process used, read from /proc.

#include <sys/types.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

// A made-up player's GUID, 32 hex digits; mark keeps one benchmark's players apart.
inline std::string guidOf(unsigned n, const char* mark) {
    char text[33];
    std::snprintf(text, sizeof text, "%08x%08x%.4s%08xbeef", n * 2654435761u, n, mark, n);
    return std::string(text, 32);
}

inline std::string violationLine(const std::string& guid, unsigned n) {
    return "[04.16.2017 21:03:11] VIOLATION (AIMBOT) #50001: Player" + std::to_string(n) +
           " (slot #1) Aimbot detected [" + guid + "(VALID) 192.0.2.1:27960]\n";
}

// The fields of /proc/PID/stat after the command's name, numbered as proc(5) numbers
// them from 3; empty once the process is gone.
inline std::vector<std::string> statFields(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const size_t close = text.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos) return fields;
    std::istringstream rest(text.substr(close + 2));
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;
}

// Clock ticks of CPU a process used, and with its waited-for children.
inline long cpuTicks(pid_t pid, bool children = false) {
    const std::vector<std::string> f = statFields(pid);
    long sum = 0;
    for (int i = 14; i <= (children ? 17 : 15); ++i)
        if (static_cast<size_t>(i - 3) < f.size()) sum += std::stol(f[static_cast<size_t>(i - 3)]);
    return sum;
}

inline pid_t parentOf(pid_t pid) {
    const std::vector<std::string> f = statFields(pid);
    return f.size() > 1 ? static_cast<pid_t>(std::stol(f[1])) : 0;
}

}  // namespace bench
