// The story's data folder and every file the programs read from it: how a
// name the story logic builds becomes a file, how a file is opened, and
// which run-time error each failure is. Scripts, pictures and music of the
// player, yomite-trace and yomite-check all come through here.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/runtime_error.h"
#include "base/text.h"

namespace yomite::platform {

// A file descriptor that closes itself.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

// The run-time error for a failed open or read of the file called name
// (errno in error): 53 when it is not there, 70 when it may not be read, 7
// when memory runs out, 57 for a failing device, 75 for everything else.
RuntimeError FileError(int error, const std::string& name);

// Opens the regular file at the native path for reading; anything else (a
// folder, a FIFO, a device, a socket) is error 75 at once, without waiting
// for a writer. name is the file's name for messages.
FileDescriptor OpenRegularFile(const std::string& native, const std::string& name);

// True when a name made of the folder's folder_bytes and rest cannot name
// a file: one of its parts (between '/' or '\\') is longer than NAME_MAX
// bytes, or the whole longer than PATH_MAX, in the fewest bytes any
// encoding the name is looked for in would give it.
bool LongerThanFilesAllow(size_t folder_bytes, TextView rest);

// A file name as text: UTF-8 as it stands, anything else as the code page
// 932 bytes a Windows author's tools (or an unzipped Japanese archive) wrote.
Text NameAsText(std::string_view native);

class StoryFolder {
 public:
  // native is the folder's path in bytes, exactly as the system gave it (it
  // need not be UTF-8), with or without a separator at the end.
  explicit StoryFolder(std::string native);
  StoryFolder(const StoryFolder&) = delete;
  StoryFolder& operator=(const StoryFolder&) = delete;

  // The folder in bytes, ending in '/'.
  const std::string& native() const { return native_; }
  // The text the story logic builds its file names on, ending in '/'. It
  // stands for the folder only: the bytes above are what is opened.
  const Text& dat_path() const { return dat_path_; }

  // The part of full_path after dat_path(), for messages; full_path itself
  // when it does not start with it.
  Text RelativeName(const Text& full_path) const;
  // The relative name as messages show it: control characters escaped,
  // and a name longer than any file's cut short, with its length.
  std::string MessageName(const Text& full_path) const;
  // No file can have the name full_path gives (LongerThanFilesAllow).
  bool NameTooLong(const Text& full_path) const;

  // The native path of the file (or folder) that full_path names, or
  // nullopt (also for a name too long to be a file's). Below dat_path() a backslash is a folder
  // separator, and each part of the name is taken by its exact name, then as its code page 932
  // bytes, then by a case-insensitive match among the entries of its
  // folder (the first in byte order when several match). A name holding a
  // NUL character never resolves.
  std::optional<std::string> Resolve(const Text& full_path) const;

  // Opens the regular file full_path names for reading. Anything else (a
  // folder, a FIFO, a device, a socket) is error 75 at once: nothing here
  // waits for a writer. So is a file reached through a symbolic link that
  // leads out of the story folder: a downloaded story cannot show any file
  // its user may read. Other failures as FileError.
  FileDescriptor Open(const Text& full_path) const;

  // Reads the whole file; one that holds more than max_bytes is error
  // too_large, read no further than one byte past the limit.
  std::string ReadWhole(const Text& full_path, size_t max_bytes, int too_large) const;

  // How many times a folder's entries have been read, for tests of the cache.
  long listings_read() const;

 private:
  struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    // Folded entry name -> the entry's bytes, the first in byte order.
    std::map<Text, std::string> by_folded_name;
  };

  std::optional<std::string> FindPart(const std::string& folder, const Text& part) const;
  // The file open as fd, opened by the native path, lies inside the story
  // folder, or where the path leads by its text alone (a name may go up
  // with ".."; no link may take it elsewhere).
  bool LeadsWhereItsNameDoes(int fd, const std::string& native) const;
  std::optional<std::string> FindIgnoringCase(const std::string& folder, const Text& part) const;

  std::string native_;
  Text dat_path_;
  // The listings of the folders searched so far, kept until a folder's
  // modification time changes: a name in the wrong case costs a lookup,
  // not a read of the folder. Loaders may run on several threads.
  mutable std::mutex mutex_;
  mutable std::map<std::string, Listing> listings_;
  mutable long listings_read_ = 0;
  mutable std::string folder_real_;  // the folder's real path, once known
};

}  // namespace yomite::platform
