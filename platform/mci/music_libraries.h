// FluidSynth, opened when the music starts rather than when the program
// does. It brings some twenty libraries of its own (sound file codecs,
// GLib, JACK, PulseAudio...), whose loading and start-up code would hold
// up the first page by several milliseconds.
#pragma once

#include <fluidsynth.h>

#include <string>

namespace yomite::platform::mci {

// Every function of the libraries the music uses, by its own name.
#define YOMITE_FLUIDSYNTH_FUNCTIONS(X)  \
  X(new_fluid_settings)                 \
  X(delete_fluid_settings)              \
  X(fluid_settings_setint)              \
  X(fluid_settings_setnum)              \
  X(new_fluid_synth)                    \
  X(delete_fluid_synth)                 \
  X(fluid_set_log_function)             \
  X(fluid_synth_sfload)                 \
  X(fluid_synth_write_float)            \
  X(fluid_synth_get_active_voice_count) \
  X(fluid_synth_noteon)                 \
  X(fluid_synth_noteoff)                \
  X(fluid_synth_cc)                     \
  X(fluid_synth_program_change)         \
  X(fluid_synth_key_pressure)           \
  X(fluid_synth_channel_pressure)       \
  X(fluid_synth_pitch_bend)             \
  X(fluid_synth_sysex)                  \
  X(fluid_synth_get_program)            \
  X(fluid_synth_pin_preset)             \
  X(fluid_synth_system_reset)

#define YOMITE_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;

struct FluidSynthLibrary {
  YOMITE_FLUIDSYNTH_FUNCTIONS(YOMITE_DECLARE_FUNCTION)
};

#undef YOMITE_DECLARE_FUNCTION

// The library, loaded on the first call and kept for the rest of the run;
// null, with *why saying so, when it cannot be loaded. From one thread at
// a time.
const FluidSynthLibrary* FluidSynth(std::string* why);

}  // namespace yomite::platform::mci
