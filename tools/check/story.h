// The story folder as the checker sees it: the files in it, the scripts
// read line by line exactly as the player reads them, and the answer the
// player's own file and picture code gives for every name a line uses.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/render/jpeg_loader.h"
#include "platform/story_folder.h"

namespace yomite::check {

// Takes a line's number (from 1), its raw bytes (without the terminator)
// and the text the player converts them to; false stops the reading.
using LineVisitor = std::function<bool(long number, const std::string& raw, const Text& text)>;

// Where the player's reader stopped in a script, when it did: the error
// (0 when the whole script was read) and the line.
struct ReadError {
  int number = 0;
  std::string message;
  long line = 0;
};

// What happens when the player opens a file by name.
struct OpenResult {
  std::string native;  // the file the name stands for; empty when there is none
  int error = 0;       // 0 when it opens, else the run-time error (53, 70, 75, 481)
  std::string detail;  // why, beyond the error's number and the file's name; may be empty
  // A picture that decodes only in part: the decoder's warning.
  std::string warning;
  // A picture's decoding work, as an action's budget counts it.
  int64_t work = 0;
};

// The existing file nearest to a name that is not there.
struct NearName {
  std::string file;        // relative to the story folder, UTF-8; empty when none is near
  Text name;               // as a script would name it: without the extension
  bool same_stem = false;  // the name is right, the extension is another (".jpeg", ".JPG ")
};

// How far a name may be from the one meant (edits of one character), and
// how many entries of a folder are compared: a huge folder is not read
// whole for a hint.
inline constexpr size_t kMaxNameEdits = 2;
inline constexpr size_t kMaxEntriesCompared = 10000;
// Names looked for at most: a story with thousands of missing names gets
// no hint for the later ones rather than a slow check.
inline constexpr size_t kMaxNamesSuggested = 200;

class StoryFolder {
 public:
  explicit StoryFolder(std::string dir);

  // The data folder as the player's file names begin, with the separator.
  const Text& dat_path() const { return files_.dat_path(); }
  // The player's own view of the folder: its names, opens and reads.
  const platform::StoryFolder& files() const { return files_; }

  // The script and picture files in the folder and below, native paths,
  // in the order of their relative names.
  const std::vector<std::string>& script_files() const { return script_files_; }
  const std::vector<std::string>& picture_files() const { return picture_files_; }

  // The name of a file relative to the folder, UTF-8 (file names written in
  // code page 932 are converted).
  std::string RelativeName(const std::string& native) const;

  // Reads the script's lines as the player does, one at a time. A line the
  // player's reader cannot read (error 7 for a line over the limit, 57 for
  // a failing read) ends the lines there, and is returned.
  ReadError ReadLines(const std::string& native, const LineVisitor& line) const;

  // What the player's open of "name.dat" does.
  const OpenResult& OpenScript(const Text& name);
  // What the player's load of "name.jpg" does.
  const OpenResult& LoadPicture(const Text& name);
  // The decoder's warning for a picture file loaded so far (native path),
  // or nullptr when it decoded whole.
  const std::string* PictureWarning(const std::string& native) const;
  // The file nearest to the missing name.extension in its folder: a name
  // at most kMaxNameEdits edits away, in any case, or the same name with
  // another extension (for pictures .jpeg, .jpe and .jfif).
  NearName Nearest(const Text& name, TextView extension) const;
  // The native path of a file name relative to the folder, found with the
  // player's rules, or nullopt.
  std::optional<std::string> Resolve(const Text& relative) const;

 private:
  std::string dir_;
  platform::StoryFolder files_;
  platform::JpegPictureLoader pictures_;
  std::vector<std::string> script_files_;
  std::vector<std::string> picture_files_;
  std::map<Text, OpenResult> opened_scripts_;
  std::map<Text, OpenResult> loaded_pictures_;
  std::map<std::string, std::string> picture_warnings_;
  // Folder -> the names of its first kMaxEntriesCompared entries, read once
  // for the hints.
  mutable std::map<std::string, std::vector<std::string>> entries_for_hints_;
  mutable size_t names_suggested_ = 0;
};

}  // namespace yomite::check
