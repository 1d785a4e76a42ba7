// Parsing of media command strings such as
//   open "/path/bgm.mid" alias MIDI
//   play MIDI from 0 notify
//   status MIDI mode
// Keywords are matched without regard to letter case; words are separated
// by blanks, and a double-quoted word may hold blanks.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"

namespace yomite::platform::mci {

enum class Verb { kOpen, kClose, kPlay, kStop, kPause, kResume, kSeek, kStatus };
enum class SeekTarget { kNone, kStart, kEnd, kPosition };
enum class StatusItem { kNone, kMode, kPosition, kLength, kReady };

struct Command {
  Verb verb = Verb::kStatus;
  // The second word: the device name or alias, "all" for close, and for
  // open the element (the file), quotes removed.
  Text device;
  bool notify = false;
  bool wait = false;
  bool shareable = false;
  std::optional<Text> alias;            // open
  std::optional<Text> type;             // open
  std::optional<uint32_t> from;         // play, milliseconds
  std::optional<uint32_t> to;           // play, milliseconds
  SeekTarget seek = SeekTarget::kNone;  // seek
  uint32_t seek_position = 0;           // seek to N, milliseconds
  StatusItem item = StatusItem::kNone;  // status
};

struct ParseResult {
  // kOk, or the code of the first problem found. When the verb and the
  // device were read before the problem, has_device is true and
  // command.verb / command.device hold them: a command for an unknown
  // device must report the device, not its later words.
  uint32_t error = 0;
  bool has_device = false;
  Command command;
};

ParseResult ParseCommand(TextView text);

// Writes text into reply as the interface requires: cut to reply_length - 1
// characters and ended by NUL. Returns kErrParamOverflow when there is no
// buffer at all (the query's answer cannot be given), kOk otherwise.
uint32_t WriteReply(TextView text, char16_t* reply, uint32_t reply_length);

}  // namespace yomite::platform::mci
