#include "tests/support/story_builder.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "platform/cp932.h"
#include "tests/support/jpeg_samples.h"

namespace yomite::testing {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path FreshFolder(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  fs::path folder =
      fs::path(tmp ? tmp : "/tmp") / ("yomite-test-" + std::to_string(::getpid())) / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::string PictureBytes(int width, int height) {
  return EncodeGrey(std::vector<uint8_t>(size_t(width) * size_t(height), 128), width, height);
}

std::string JpegHeaderBytes(int width, int height) {
  std::string b = "\xFF\xD8";
  // APP0 JFIF
  b += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  // SOF0: length 17, precision 8, height, width, 3 components
  b += std::string("\xFF\xC0\x00\x11\x08", 5);
  b += static_cast<char>(height >> 8);
  b += static_cast<char>(height & 0xFF);
  b += static_cast<char>(width >> 8);
  b += static_cast<char>(width & 0xFF);
  b += std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
  b += "\xFF\xD9";
  return b;
}

namespace {

void AppendText(std::string& out, const std::string& utf8) {
  if (utf8.empty()) return;
  auto bytes = cp932::Encode(FromUtf8(utf8));
  if (!bytes) throw std::runtime_error("not representable in code page 932: " + utf8);
  out += *bytes;
}

}  // namespace

std::string ScriptBytes(const std::string& line) {
  std::string out;
  std::string pending;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\' || i + 1 >= line.size()) {
      pending += line[i];
      continue;
    }
    char e = line[i + 1];
    if (e == 'x' && i + 3 < line.size()) {
      AppendText(out, pending);
      pending.clear();
      out += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else if (e == 'r' || e == 'n' || e == '\\') {
      AppendText(out, pending);
      pending.clear();
      out += e == 'r' ? '\r' : e == 'n' ? '\n' : '\\';
      i += 1;
    } else {
      pending += line[i];
    }
  }
  AppendText(out, pending);
  return out;
}

Story BuildStory(const std::string& description, const fs::path& folder) {
  Story story;
  fs::create_directories(folder);
  std::istringstream in(description);
  std::string line;
  enum class Kind { kNone, kScript, kRaw, kEvents } kind = Kind::kNone;
  fs::path current;
  bool eol = true;
  std::vector<std::string> lines;
  auto flush = [&] {
    if (kind == Kind::kScript) {
      std::string bytes;
      for (size_t i = 0; i < lines.size(); ++i) {
        bytes += ScriptBytes(lines[i]);
        if (eol || i + 1 < lines.size()) bytes += "\r\n";
      }
      WriteFile(current, bytes);
    } else if (kind == Kind::kRaw) {
      std::string bytes;
      for (const std::string& l : lines) bytes += l + "\n";
      WriteFile(current, bytes);
    } else if (kind == Kind::kEvents) {
      for (const std::string& l : lines) story.events += l + "\n";
    }
    lines.clear();
  };
  while (std::getline(in, line)) {
    if (line.rfind("--- ", 0) == 0) {
      flush();
      std::istringstream head(line.substr(4));
      std::string what, name, option, size;
      head >> what >> name >> option >> size;
      if (what == "events") {
        kind = Kind::kEvents;
      } else if (what == "dir") {
        fs::create_directories(folder / name);
        kind = Kind::kNone;
      } else if (what == "file" && option == "jpeg") {
        int w = std::stoi(size.substr(0, size.find('x')));
        int h = std::stoi(size.substr(size.find('x') + 1));
        WriteFile(folder / name, PictureBytes(w, h));
        kind = Kind::kNone;
      } else if (what == "file") {
        current = folder / name;
        kind = option == "raw" ? Kind::kRaw : Kind::kScript;
        eol = option != "noeol";
      } else {
        throw std::runtime_error("bad section: " + line);
      }
      continue;
    }
    if (kind != Kind::kNone) lines.push_back(line);
  }
  flush();
  return story;
}

}  // namespace yomite::testing
