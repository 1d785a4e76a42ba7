// Status codes of the media commands. They follow the numbering of the
// classic media control interface (its error base is 256), so a caller
// that logs them, or compares them against that interface's values, sees
// familiar numbers.
#pragma once

#include <cstdint>

namespace yomite::platform::mci {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kErrUnrecognizedKeyword = 259;   // a word the verb does not take
inline constexpr uint32_t kErrUnrecognizedCommand = 261;   // the first word is no known verb
inline constexpr uint32_t kErrHardware = 262;              // no audio output could be opened
inline constexpr uint32_t kErrInvalidDeviceName = 263;     // no device is open under that name
inline constexpr uint32_t kErrCannotLoadDriver = 266;      // "type" names a device we do not have
inline constexpr uint32_t kErrMissingCommandString = 267;  // empty command
inline constexpr uint32_t kErrParamOverflow = 268;         // a query without a reply buffer
inline constexpr uint32_t kErrBadInteger = 270;            // "from x", number out of range
inline constexpr uint32_t kErrMissingParameter = 273;      // "seek MIDI", "status MIDI", "from"
inline constexpr uint32_t kErrUnsupportedFunction = 274;   // a known verb we do not carry out
inline constexpr uint32_t kErrFileNotFound = 275;
inline constexpr uint32_t kErrOutOfRange = 282;          // a position past the end
inline constexpr uint32_t kErrFlagsNotCompatible = 284;  // "seek to start to end", two items
inline constexpr uint32_t kErrDuplicateAlias = 289;
inline constexpr uint32_t kErrMissingDeviceName = 292;
inline constexpr uint32_t kErrNoClosingQuote = 294;
inline constexpr uint32_t kErrDuplicateFlags = 295;  // "from 0 from 5"
inline constexpr uint32_t kErrInvalidFile = 296;     // not a playable MIDI file
inline constexpr uint32_t kErrFilenameRequired = 304;
inline constexpr uint32_t kErrSeqPortInUse = 337;      // a second sequencer while one is open
inline constexpr uint32_t kErrSeqNoMidiPresent = 343;  // no soundfont: nothing to play notes on

}  // namespace yomite::platform::mci
