#include "base/runtime_error.h"

namespace yomite {

const char* StandardMessage(int number) {
  switch (number) {
    case err::kInvalidCall:
      return "Invalid procedure call or argument";
    case err::kOutOfMemory:
      return "Out of memory";
    case err::kSubscript:
      return "Subscript out of range";
    case err::kOutOfStack:
      return "Out of stack space";
    case err::kInternal:
      return "Internal error";
    case err::kFileNotFound:
      return "File not found";
    case err::kDeviceIo:
      return "Device I/O error";
    case err::kPermission:
      return "Permission denied";
    case err::kPathAccess:
      return "Path/File access error";
    case err::kBadFileNumber:
      return "Bad file name or number";
    case err::kPastEnd:
      return "Input past end of file";
    case err::kNoSuchElement:
      return "Control array element does not exist";
    case err::kAlreadyLoaded:
      return "Object already loaded";
    case err::kInvalidPicture:
      return "Invalid picture";
    default:
      return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int number, std::string detail)
    : number_(number), message_(StandardMessage(number)) {
  if (!detail.empty()) message_ += ": " + detail;
}

}  // namespace yomite
