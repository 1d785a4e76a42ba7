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

template <typename Library, typename ResolveAll>
Loaded<Library> Load(std::initializer_list<const char*> names, const char* what,
                     ResolveAll resolve_all) {
  Loaded<Library> l;
  void* handle = Open(names, &l.why);
  l.ok = handle != nullptr && resolve_all(handle, l);
  if (!l.ok) l.why = std::string(what) + " could not be loaded (" + l.why + ")";
  return l;
}

#define YOMITE_RESOLVE(name) &&Resolve(handle, #name, l.functions.name, &l.why)

Loaded<FluidSynthLibrary> LoadFluidSynth() {
  return Load<FluidSynthLibrary>(
      {YOMITE_FLUIDSYNTH_SONAME}, "FluidSynth",
      [](void* handle, auto& l) { return true YOMITE_FLUIDSYNTH_FUNCTIONS(YOMITE_RESOLVE); });
}

#undef YOMITE_RESOLVE

}  // namespace

const FluidSynthLibrary* FluidSynth(std::string* why) {
  static const Loaded<FluidSynthLibrary> loaded = LoadFluidSynth();
  if (!loaded.ok) *why = loaded.why;
  return loaded.ok ? &loaded.functions : nullptr;
}

}  // namespace yomite::platform::mci
