// The background music: the player runs silent when bgm.mid is missing or
// is not a MIDI file, so the checker warns.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yomite::check {

// Why the bytes are not a Standard MIDI File (or one wrapped in RIFF RMID),
// or nullopt when they are one.
std::optional<std::string> MidiProblem(std::string_view bytes);

}  // namespace yomite::check
