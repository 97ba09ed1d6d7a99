#pragma once
// Writing a text file the way the program writes every file it makes: the bytes as
// given, each line ended by CR LF. The lines go to a temporary file in the target's
// folder, which takes the target's place only once it is complete and on disk, so a
// failure at any point leaves a file of that name as it was (or no file at all).
//
// A file that is replaced keeps its owner, group, permission bits and access list. When
// that cannot be done (the file belongs to another account, or to a group this account is
// not in), or the file has other names (hard links) that would keep the old content, it is
// not replaced: the writer refuses with a message that says why.

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace th {

class Error;

class TextFileWriter {
  public:
    // Creates the temporary file; throws th::Error (errno text, target path) when the
    // folder is missing or not writable, or the target cannot be replaced.
    explicit TextFileWriter(std::string path);
    // Replaces the file already open as `original`, which is the file at path (a link
    // already followed): owner, group, mode and access list come from that descriptor,
    // not from whatever the name holds by now.
    TextFileWriter(std::string path, int original);
    // Without commit() the temporary file is removed and the target left alone.
    ~TextFileWriter();

    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void writeLine(std::string_view text);
    void write(std::string_view bytes);

    // Puts every byte written so far on disk; after it only the rename is left, so a
    // caller can settle its own records in between.
    void sync();
    // Syncs (unless done) and renames the temporary file over the target, then makes the
    // rename durable.
    void commit();
    // Whether commit() got as far as the rename: from then on the new file is in place,
    // even when making the rename durable failed.
    bool replaced() const { return replaced_; }

    const std::string& path() const { return path_; }
    // The new file, open until the writer is destroyed (also after commit).
    int descriptor() const { return fd_; }

  private:
    void open(const struct stat* like, int likeFd);
    void flush();
    [[noreturn]] void fail(int errnoValue);
    [[noreturn]] void failWith(const Error& error);
    void discard() noexcept;

    std::string path_;    // as given, for messages
    std::string target_;  // where the file lands (a link is followed to its file)
    std::string temp_;
    std::string buffer_;
    int fd_ = -1;
    bool synced_ = false;
    bool replaced_ = false;
};

}  // namespace th
