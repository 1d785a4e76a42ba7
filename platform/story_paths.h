// Finding story files authored on Windows on a case-sensitive file system.
#pragma once

#include <optional>
#include <string>

#include "base/text.h"

namespace yomite::platform {

// The data folder as text, ending in the platform's separator: the folder
// of the program (or the folder given to the tools) followed by "dat".
Text MakeDatPath(const Text& program_folder);

// Resolves a file name the story logic built as DatPath + name + extension
// to a native path of an existing file (or directory), or nullopt.
//
// Inside the story part of the path (after DatPath) a backslash is a folder
// separator. Each component is taken by its exact name first, then as its
// code page 932 bytes, then by a case-insensitive match among the entries of
// its folder (entry names read as UTF-8, or as code page 932 when they are
// not valid UTF-8). A name holding a NUL character never resolves.
std::optional<std::string> ResolveStoryFile(const Text& dat_path, const Text& full_path);

// The story-relative part of full_path (what follows dat_path), for messages.
Text StoryRelativeName(const Text& dat_path, const Text& full_path);

}  // namespace yomite::platform
