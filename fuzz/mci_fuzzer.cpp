// Media commands from arbitrary text, one a line, through the parser and
// the interpreter the player uses. The interpreter is given no soundfont,
// so an "open" stops before any audio device, after it has found, read and
// checked the MIDI file: "$D" in a command stands for a folder holding
// m.mid, whose bytes are the input after the first line "@@@@".
//
// What must hold: parsing is deterministic and a command without error has
// its device; a reply is written only within the buffer given, always
// ended by a NUL; nothing crashes or hangs, whatever the order of commands.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/cp932.h"
#include "platform/mci/command_parser.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/mci_interpreter.h"

using namespace yomite;
using namespace yomite::platform::mci;

namespace {

bool SameCommand(const ParseResult& a, const ParseResult& b) {
  const Command &x = a.command, &y = b.command;
  return a.error == b.error && a.has_device == b.has_device && x.verb == y.verb &&
         x.device == y.device && x.notify == y.notify && x.wait == y.wait && x.alias == y.alias &&
         x.type == y.type && x.from == y.from && x.to == y.to && x.seek == y.seek &&
         x.seek_position == y.seek_position && x.item == y.item;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path& dat = fuzz::ScratchFolder("mci");
  static const Text folder = FromUtf8(dat.string());
  auto parts =
      fuzz::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), "\n@@@@\n", 2);
  fuzz::WriteBytes(dat / "m.mid", parts.size() > 1 ? parts[1] : std::string_view());

  MciOptions options;
  options.soundfonts = std::vector<std::string>{};
  options.report_silence = [](const std::string& why) { FUZZ_CHECK(!why.empty()); };
  MciInterpreter mci(options);

  std::string_view commands = parts[0];
  for (int n = 0; n < 16 && !commands.empty(); ++n) {
    size_t end = commands.find('\n');
    std::string_view line = commands.substr(0, end);
    commands = end == std::string_view::npos ? std::string_view() : commands.substr(end + 1);
    // The first byte of a line sets the size of the reply buffer.
    const uint32_t reply_length = line.empty() ? 0 : static_cast<uint8_t>(line[0]) % 24;
    if (!line.empty()) line.remove_prefix(1);

    Text text = cp932::Decode(line);
    for (size_t at; (at = text.find(u"$D")) != Text::npos;) text.replace(at, 2, folder);

    const ParseResult parsed = ParseCommand(text);
    FUZZ_CHECK(SameCommand(parsed, ParseCommand(text)));
    FUZZ_CHECK(parsed.error != kOk || parsed.has_device);
    if (parsed.has_device)
      FUZZ_CHECK(EqualsIgnoringCase(parsed.command.device, parsed.command.device));

    constexpr char16_t kGuard = u'\xA5A5';
    Text reply(reply_length + 8, kGuard);
    const uint32_t status =
        mci.SendString(text, reply_length ? reply.data() : nullptr, reply_length);
    for (size_t i = reply_length; i < reply.size(); ++i) FUZZ_CHECK(reply[i] == kGuard);
    if (status == kOk && parsed.command.verb == Verb::kStatus && reply_length > 0) {
      FUZZ_CHECK(reply.find(u'\0') < reply_length);
    }
  }
  return 0;
}
