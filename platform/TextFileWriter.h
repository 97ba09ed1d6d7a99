#pragma once
// Writing a text file the way the program writes every file it makes: the bytes as
// given, each line ended by CR LF. The lines go to a temporary file in the target's
// folder, which takes the target's place only once it is complete and on disk, so a
// failure at any point leaves a file of that name as it was (or no file at all).

#include <string>
#include <string_view>

namespace th {

class TextFileWriter {
  public:
    // Creates the temporary file; throws th::Error (errno text, target path) when the
    // folder is missing or not writable, or the target cannot be replaced.
    explicit TextFileWriter(std::string path);
    // Without commit() the temporary file is removed and the target left alone.
    ~TextFileWriter();

    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void writeLine(std::string_view text);
    void write(std::string_view bytes);

    // Puts every byte written so far on disk; after it only the rename is left, so a
    // caller can settle its own records in between.
    void sync();
    // Syncs (unless done) and renames the temporary file over the target.
    void commit();

    const std::string& path() const { return path_; }

  private:
    void flush();
    [[noreturn]] void fail(int errnoValue);
    void discard() noexcept;

    std::string path_;    // as given, for messages
    std::string target_;  // where the file lands (a link is followed to its file)
    std::string temp_;
    std::string buffer_;
    int fd_ = -1;
    bool synced_ = false;
};

}  // namespace th
