#pragma once
// The one error type of the program: what a trapped run-time error carries to the
// error box of the command that traps it.

#include <cstdint>
#include <exception>
#include <string>

namespace th {

// Numbers of the errors raised by the program's own components. The helper classes
// use the object-error base plus a number fixed per class and case; a failing file,
// zip or database call uses one of the numbers below with the library's own text.
namespace err {
inline constexpr int32_t kObjectErrorBase = static_cast<int32_t>(0x80040000u);
inline constexpr int32_t kInvalidCall = 5;        // an argument a routine cannot work with
inline constexpr int32_t kFileNotFound = 53;      // a file that must exist is missing
inline constexpr int32_t kFileInUse = 55;         // another run holds the file's lock
inline constexpr int32_t kFileIo = 57;            // read or write failed (errno text)
inline constexpr int32_t kDiskFull = 61;          // no space left while writing
inline constexpr int32_t kRefusedPath = 68;       // a path the program will not write over
inline constexpr int32_t kPermissionDenied = 70;  // the file cannot be opened as asked
inline constexpr int32_t kFileChanged = 75;       // a file kept changing while it was rewritten
inline constexpr int32_t kPathNotFound = 76;      // the folder does not exist
inline constexpr int32_t kBadFileFormat = 321;    // a file that is not what it claims to be
inline constexpr int32_t kInvalidIndex = 381;     // a grid row or column that is not there
inline constexpr int32_t kObjectClosed = 3704;    // a statement on a database that is not open
inline constexpr int32_t kZip = 31001;            // libzip failure (libzip's text)
inline constexpr int32_t kDatabase = static_cast<int32_t>(0x80004005u);  // SQLite failure
}  // namespace err

class Error : public std::exception {
  public:
    Error(int32_t number, std::string source, std::string description)
        : number_(number), source_(std::move(source)), description_(std::move(description)) {}

    int32_t number() const noexcept { return number_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    // An error from a failed system call on a file: the number follows errno, the
    // description is the system's text followed by the file's name.
    static Error fromErrno(int errnoValue, const std::string& path);

  private:
    int32_t number_;
    std::string source_;
    std::string description_;
};

// The executable's base name, used as the first part of every error source.
const std::string& appBaseName();
void setAppBaseName(std::string name);

}  // namespace th
