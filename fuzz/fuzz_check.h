// What the fuzz targets share: a check that stops the run with a message
// (libFuzzer then keeps the input), a scratch folder of the process's own,
// and the splitting of one input into parts.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace yomite::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: broken invariant: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::yomite::fuzz::Fail(__FILE__, __LINE__, #cond))

// A fresh folder, one per process and name, removed when the process exits
// normally. It lies in memory when it can (/dev/shm): the story targets
// write their files for every input, and a disk makes that the slow part.
inline const std::filesystem::path& ScratchFolder(const std::string& name) {
  namespace fs = std::filesystem;
  struct Folders {
    std::map<std::string, fs::path> made;
    ~Folders() {
      for (auto& [name, path] : made) {
        std::error_code ignored;
        fs::remove_all(path, ignored);
      }
    }
  };
  static Folders folders;
  auto it = folders.made.find(name);
  if (it != folders.made.end()) return it->second;
  std::error_code ec;
  fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                      ? fs::path("/dev/shm")
                      : fs::temp_directory_path();
  fs::path p = base / ("yomite-fuzz-" + name + "-" + std::to_string(::getpid()));
  fs::remove_all(p);
  fs::create_directories(p);
  return folders.made.emplace(name, p).first->second;
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  FUZZ_CHECK(out.good());
}

// Splits data at each separator into at most max_parts parts; the last
// part keeps any separators after it.
inline std::vector<std::string_view> SplitParts(std::string_view data, std::string_view separator,
                                                size_t max_parts) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < max_parts) {
    size_t at = data.find(separator);
    if (at == std::string_view::npos) break;
    parts.push_back(data.substr(0, at));
    data.remove_prefix(at + separator.size());
  }
  parts.push_back(data);
  return parts;
}

}  // namespace yomite::fuzz
