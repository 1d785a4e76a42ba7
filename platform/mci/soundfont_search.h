// Where the General MIDI soundfont comes from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace yomite::platform::mci {

// The places to look, in order. When SDL_SOUNDFONTS is set and not empty
// (the setting SDL_mixer reads, so a user's setting carries over), its paths, separated by ':' or
// ';', are the whole list; otherwise the places where Debian and other systems install a General
// MIDI soundfont, the small TimGM6mb first as it loads fastest.
std::vector<std::string> DefaultSoundFontSearchPath();

// The largest General MIDI soundfonts in common use are a few hundred MB;
// the synthesizer reads a file's every header when it loads it.
inline constexpr uint64_t kMaxSoundFontBytes = uint64_t{1} << 30;

// Why the file at path is no soundfont to load, e.g. "/x.sf2 is a FIFO";
// empty when it is a regular file of at most kMaxSoundFontBytes that starts
// like a soundfont (RIFF "sfbk"). Only a regular file is opened (the file
// layer's rules), so a FIFO or a device never holds the program up.
std::string SoundFontProblem(const std::string& path);
inline bool LooksLikeSoundFont(const std::string& path) { return SoundFontProblem(path).empty(); }

// The candidates joined for a message: "a, b, c".
std::string JoinPaths(const std::vector<std::string>& paths);

}  // namespace yomite::platform::mci
