#pragma once
// Reading the ban file line by line, and rewriting it so that a failure at any point
// leaves the old file whole.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace th {

// The file's lines: each ends at LF, one CR before the LF is dropped, and a last line
// without LF is still a line. Throws th::Error naming the file.
std::vector<std::string> readLines(const std::string& path);

// Fails, naming the file, unless it exists and may be written: the rewrite replaces it,
// and a read-only file is never replaced, whoever runs the program.
void checkWritable(const std::string& path);

// A new version of a file, written beside it under a temporary name. `commit` flushes it
// to disk and renames it over the file; destroying it without a commit removes it.
class ReplacementFile {
  public:
    explicit ReplacementFile(const std::string& path);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Writes the line and CR LF.
    void writeLine(std::string_view line);
    // Writes every byte to disk; after this only the rename is left.
    void flush();
    // Renames the written file over the original.
    void commit();

  private:
    void fail(int errnoValue);

    std::string target_;  // the file replaced (links followed)
    std::string folder_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool done_ = false;
};

}  // namespace th
