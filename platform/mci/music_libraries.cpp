#include "platform/mci/music_libraries.h"

#include <dlfcn.h>

#include <initializer_list>

namespace yomite::platform::mci {

namespace {

template <typename Library>
struct Loaded {
  Library functions;
  bool ok = false;
  std::string why;
};

void* Open(std::initializer_list<const char*> names, std::string* why) {
  for (const char* name : names) {
    if (void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  const char* error = dlerror();
  *why = error ? error : "not found";
  return nullptr;
}

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string* why) {
  function = reinterpret_cast<Function>(dlsym(handle, name));
  if (function == nullptr) *why = std::string("it has no ") + name;
  return function != nullptr;
}

#define YOMITE_RESOLVE(name) ok = ok && Resolve(handle, #name, l.functions.name, &l.why);

Loaded<FluidSynthLibrary> LoadFluidSynth() {
  Loaded<FluidSynthLibrary> l;
  void* handle = Open({"libfluidsynth.so.3", "libfluidsynth.so"}, &l.why);
  bool ok = handle != nullptr;
  YOMITE_FLUIDSYNTH_FUNCTIONS(YOMITE_RESOLVE)
  l.ok = ok;
  if (!ok) l.why = "FluidSynth could not be loaded (" + l.why + ")";
  return l;
}

Loaded<MixerLibrary> LoadMixer() {
  Loaded<MixerLibrary> l;
  void* handle = Open({"libSDL2_mixer-2.0.so.0", "libSDL2_mixer.so"}, &l.why);
  bool ok = handle != nullptr;
  YOMITE_MIXER_FUNCTIONS(YOMITE_RESOLVE)
  l.ok = ok;
  if (!ok) l.why = "SDL_mixer could not be loaded (" + l.why + ")";
  return l;
}

#undef YOMITE_RESOLVE

}  // namespace

const FluidSynthLibrary* FluidSynth(std::string* why) {
  static const Loaded<FluidSynthLibrary> loaded = LoadFluidSynth();
  if (!loaded.ok) *why = loaded.why;
  return loaded.ok ? &loaded.functions : nullptr;
}

const MixerLibrary* Mixer(std::string* why) {
  static const Loaded<MixerLibrary> loaded = LoadMixer();
  if (!loaded.ok) *why = loaded.why;
  return loaded.ok ? &loaded.functions : nullptr;
}

}  // namespace yomite::platform::mci
