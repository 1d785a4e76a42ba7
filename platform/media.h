// The media-command interface: text commands such as "open ... alias MIDI",
// "play MIDI notify" or "status MIDI mode", answered with a status code
// and, for queries, a reply text.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace yomite::platform {

class MediaCommands {
 public:
  virtual ~MediaCommands() = default;
  // Carries out one command. reply points to a buffer of reply_length
  // characters (or is null with reply_length 0); a reply is written into it
  // cut to reply_length - 1 characters and ended by a NUL character.
  // Returns 0 on success, a non-zero error code otherwise.
  virtual uint32_t SendString(TextView command, char16_t* reply, uint32_t reply_length) = 0;
};

}  // namespace yomite::platform
