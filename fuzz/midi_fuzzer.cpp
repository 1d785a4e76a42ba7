// Arbitrary bytes as the story's music file, through the reader that turns
// it into timed events before anything reaches the synthesizer.
//
// What must hold: a file is either refused with a reason or read into
// events in playing order, each a channel message with data bytes below
// 0x80 or a system exclusive message inside the sysex bytes, none later
// than the piece's length; and smaller limits hold as the real ones do.
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/midi/standard_midi_file.h"

using namespace yomite::platform::midi;

namespace {

// The limit of events, scaled down to what a small input can reach: a file
// with more events than the limit is refused (every event counts, tempo changes and track ends too,
// so more sounding events than the limit is more than enough); what is read within the limits holds
// no more; and a file refused without limits is refused with them.
void CheckLimits(std::span<const uint8_t> bytes, const MidiSequence* unlimited) {
  for (size_t max_events : {size_t{1}, size_t{3}, size_t{16}, size_t{200}}) {
    auto read = ReadStandardMidiFile(bytes, MidiLimits{.max_events = max_events});
    const MidiRefusal* why = std::get_if<MidiRefusal>(&read);
    if (unlimited == nullptr || unlimited->events.size() > max_events) FUZZ_CHECK(why != nullptr);
    if (why == nullptr) FUZZ_CHECK(std::get<MidiSequence>(read).events.size() <= max_events);
    // A file read whole without limits can only be stopped by its events.
    if (unlimited != nullptr && why != nullptr) {
      FUZZ_CHECK(why->problem == MidiProblem::kTooManyEvents);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  auto read = ReadStandardMidiFile(bytes);
  CheckLimits(bytes, std::get_if<MidiSequence>(&read));
  if (auto* why = std::get_if<MidiRefusal>(&read)) {
    FUZZ_CHECK(!why->message.empty());
    FUZZ_CHECK(why->problem < MidiProblem::kCount);
    return 0;
  }
  const MidiSequence& s = std::get<MidiSequence>(read);
  FUZZ_CHECK(LooksLikeMidiFile(bytes));
  FUZZ_CHECK(s.tracks >= 1);
  FUZZ_CHECK(s.length_us >= 0);
  int64_t last = 0;
  for (const MidiEvent& e : s.events) {
    FUZZ_CHECK(e.time_us >= last);
    last = e.time_us;
    FUZZ_CHECK(e.time_us <= s.length_us);
    if (e.status == 0xF0) {
      FUZZ_CHECK(size_t(e.sysex_offset) + e.sysex_length <= s.sysex_data.size());
    } else {
      FUZZ_CHECK(e.status >= 0x80 && e.status <= 0xEF);
      FUZZ_CHECK(e.data1 < 0x80 && e.data2 < 0x80);
    }
  }
  return 0;
}
