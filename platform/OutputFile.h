#pragma once
// Every file the program writes goes through here, which decides what the name leads
// to before a byte is written:
// - standard output or standard error, also when named as /dev/stdout, /proc/self/fd/N
//   or by the very file it was sent to, gets the bytes where the caller sent it;
// - a regular file, or a name not yet taken, is replaced whole through TextFileWriter;
// - a pipe, a terminal or /dev/null is written in place as the lines come: renaming a
//   file over it would cut off its reader or turn a device into a plain file;
// - anything else (a disk, another device, a socket, a folder) is refused.
// Links are followed first. Run by root, a link owned by another account than the file
// it leads to is refused: it may have been planted.

#include <optional>
#include <string>
#include <string_view>

#include "platform/TextFileWriter.h"

namespace th {

struct OutputTarget {
    bool stream = false;  // written in place rather than replaced
    int fd = -1;          // standard output or error when the name leads there
};

// What path leads to, as above; "-" is standard output. Throws th::Error number
// err::kRefusedPath naming the path and what it is, or the errno error of a failed look.
OutputTarget classifyOutput(const std::string& path);

class OutputFile {
  public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void writeLine(std::string_view text);
    void write(std::string_view bytes);
    // A file takes its place now; a stream gets the bytes still held back. Throws on a
    // failed write, so a lost byte is never success.
    void commit();

  private:
    // Writes what the buffer holds; with more to follow, perhaps all but its last byte.
    void flush(bool more = false);

    std::string path_;
    std::optional<TextFileWriter> file_;
    int fd_ = -1;
    bool ownFd_ = false;
    bool terminal_ = false;  // a terminal shows the bytes: see WriteAll.h
    std::string buffer_;
};

}  // namespace th
