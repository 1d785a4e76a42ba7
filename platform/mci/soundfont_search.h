// Where the General MIDI soundfont comes from.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace yomite::platform::mci {

// The places to look, in order. When SDL_SOUNDFONTS is set and not empty
// (the setting SDL_mixer reads, so a user's setting carries over), its paths, separated by ':' or
// ';', are the whole list; otherwise the places where Debian and other systems install a General
// MIDI soundfont, the small TimGM6mb first as it loads fastest.
std::vector<std::string> DefaultSoundFontSearchPath();

// True when the file exists and starts like a soundfont (RIFF "sfbk").
bool LooksLikeSoundFont(const std::string& path);

// The candidates joined for a message: "a, b, c".
std::string JoinPaths(const std::vector<std::string>& paths);

}  // namespace yomite::platform::mci
