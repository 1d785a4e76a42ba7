// Builds story folders for tests from a readable description, so the tests
// make their own Shift-JIS bytes.
//
// A .story file holds sections:
//   --- file NAME.dat            a script: each line below, UTF-8 in the
//                                description, is written as code page 932
//                                with CR LF after it
//   --- file NAME.dat noeol      the same, without a terminator after the
//                                last line
//   --- file NAME.jpg jpeg WxH   a grey JPEG picture of that size
//   --- file NAME raw            the lines below as they stand, UTF-8, LF
//   --- dir NAME                 an empty folder
//   --- events                   the events for yomite-trace
// In script lines, \xNN writes a raw byte, \r and \n a lone CR or LF,
// \\ a backslash. Lines before the first section are comments.
#pragma once

#include <filesystem>
#include <string>

namespace yomite::testing {

struct Story {
  std::string events;
};

// Writes the files of the description into folder (created if needed).
Story BuildStory(const std::string& description, const std::filesystem::path& folder);

// A grey JPEG picture of width by height that decodes.
std::string PictureBytes(int width, int height);

// A JPEG stream that declares width by height and ends after its frame
// header: no decoder can make a picture of it.
std::string JpegHeaderBytes(int width, int height);

// Code page 932 bytes of UTF-8 text with the escapes above.
std::string ScriptBytes(const std::string& utf8_line);

// A fresh empty folder under the test temp directory.
std::filesystem::path FreshFolder(const std::string& name);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace yomite::testing
