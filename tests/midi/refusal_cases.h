// One file for every reason the MIDI reader refuses a file, for the tests
// that walk them all: the reader's own and the story checker's.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/midi/standard_midi_file.h"

namespace yomite::midi_testing {

struct RefusalCase {
  platform::midi::MidiProblem problem;
  const char* what;
  std::vector<uint8_t> bytes;
};

// At least one case per problem; the tests fail for a problem without one.
std::vector<RefusalCase> RefusalCases();

// A format-0 file of one track holding track_bytes, under the given header.
std::vector<uint8_t> WithTrack(std::vector<uint8_t> track_bytes, uint16_t format = 0,
                               uint16_t tracks = 1, uint16_t division = 96);

}  // namespace yomite::midi_testing
