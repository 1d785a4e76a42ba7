// A run-time error of the story: the one failure value of the program.
// The story logic has no error handling of its own; anything that fails
// throws this, and the event loop reports it and ends the program.
#pragma once

#include <exception>
#include <string>

namespace yomite {

namespace err {
inline constexpr int kInvalidCall = 5;       // "Invalid procedure call or argument"
inline constexpr int kOutOfMemory = 7;       // "Out of memory"
inline constexpr int kSubscript = 9;         // "Subscript out of range"
inline constexpr int kOutOfStack = 28;       // "Out of stack space"
inline constexpr int kInternal = 51;         // "Internal error"
inline constexpr int kFileNotFound = 53;     // "File not found"
inline constexpr int kBadFileNumber = 52;    // "Bad file name or number"
inline constexpr int kDeviceIo = 57;         // "Device I/O error"
inline constexpr int kPastEnd = 62;          // "Input past end of file"
inline constexpr int kPermission = 70;       // "Permission denied"
inline constexpr int kPathAccess = 75;       // "Path/File access error"
inline constexpr int kNoSuchElement = 340;   // "Control array element does not exist"
inline constexpr int kAlreadyLoaded = 360;   // "Object already loaded"
inline constexpr int kInvalidPicture = 481;  // "Invalid picture"
}  // namespace err

// The standard message of an error number, e.g. 53 -> "File not found".
const char* StandardMessage(int number);

class RuntimeError : public std::exception {
 public:
  // detail, when given, is appended: "File not found: 0_3.dat".
  explicit RuntimeError(int number, std::string detail = {});

  int number() const { return number_; }
  const std::string& message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int number_;
  std::string message_;
};

}  // namespace yomite
