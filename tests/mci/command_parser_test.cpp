#include "platform/mci/command_parser.h"

#include <gtest/gtest.h>

#include "platform/mci/mci_errors.h"

namespace yomite::platform::mci {
namespace {

TEST(CommandParser, ReadsEveryCommandTheMusicModuleSends) {
  ParseResult open = ParseCommand(u"open \"/home/me/ゲーム/dat/bgm.mid\" alias MIDI");
  ASSERT_EQ(open.error, kOk);
  EXPECT_EQ(open.command.verb, Verb::kOpen);
  EXPECT_EQ(open.command.device, u"/home/me/ゲーム/dat/bgm.mid");
  EXPECT_EQ(open.command.alias, u"MIDI");
  EXPECT_FALSE(open.command.type.has_value());

  ParseResult close = ParseCommand(u"close MIDI notify");
  ASSERT_EQ(close.error, kOk);
  EXPECT_EQ(close.command.verb, Verb::kClose);
  EXPECT_EQ(close.command.device, u"MIDI");
  EXPECT_TRUE(close.command.notify);
  EXPECT_FALSE(close.command.wait);

  ParseResult play = ParseCommand(u"play MIDI notify");
  ASSERT_EQ(play.error, kOk);
  EXPECT_EQ(play.command.verb, Verb::kPlay);
  EXPECT_TRUE(play.command.notify);
  EXPECT_FALSE(play.command.from.has_value());

  ParseResult status = ParseCommand(u"status MIDI mode");
  ASSERT_EQ(status.error, kOk);
  EXPECT_EQ(status.command.verb, Verb::kStatus);
  EXPECT_EQ(status.command.item, StatusItem::kMode);

  ParseResult seek = ParseCommand(u"seek MIDI to start");
  ASSERT_EQ(seek.error, kOk);
  EXPECT_EQ(seek.command.verb, Verb::kSeek);
  EXPECT_EQ(seek.command.seek, SeekTarget::kStart);

  ParseResult restart = ParseCommand(u"play MIDI from 0");
  ASSERT_EQ(restart.error, kOk);
  EXPECT_EQ(restart.command.from, 0u);
  EXPECT_FALSE(restart.command.notify);
}

TEST(CommandParser, KeywordsIgnoreCaseButKeepTheNamesAsWritten) {
  ParseResult open = ParseCommand(u"OPEN \"/Dat/BGM.MID\" Alias Midi TYPE Sequencer WAIT");
  ASSERT_EQ(open.error, kOk);
  EXPECT_EQ(open.command.device, u"/Dat/BGM.MID");
  EXPECT_EQ(open.command.alias, u"Midi");
  EXPECT_EQ(open.command.type, u"Sequencer");
  EXPECT_TRUE(open.command.wait);

  ParseResult play = ParseCommand(u"Play midi FROM 250 To 900 NoTiFy");
  ASSERT_EQ(play.error, kOk);
  EXPECT_EQ(play.command.device, u"midi");
  EXPECT_EQ(play.command.from, 250u);
  EXPECT_EQ(play.command.to, 900u);
  EXPECT_TRUE(play.command.notify);

  EXPECT_EQ(ParseCommand(u"SEEK MIDI TO END").command.seek, SeekTarget::kEnd);
  EXPECT_EQ(ParseCommand(u"status MIDI MODE").command.item, StatusItem::kMode);
  EXPECT_TRUE(EqualsIgnoringCase(u"MIDI", u"midi"));
  EXPECT_FALSE(EqualsIgnoringCase(u"MIDI", u"MIDI2"));
  EXPECT_FALSE(EqualsIgnoringCase(u"@", u"`"));  // neighbours of the letters do not fold
}

TEST(CommandParser, BlanksAndQuotes) {
  ParseResult spaced = ParseCommand(u"  play \t MIDI   from 7  ");
  ASSERT_EQ(spaced.error, kOk);
  EXPECT_EQ(spaced.command.from, 7u);

  ParseResult path = ParseCommand(u"open \"/a b/c  d.mid\" alias \"my music\"");
  ASSERT_EQ(path.error, kOk);
  EXPECT_EQ(path.command.device, u"/a b/c  d.mid");
  EXPECT_EQ(path.command.alias, u"my music");

  EXPECT_EQ(ParseCommand(u"open \"/a b/c.mid alias MIDI").error, kErrNoClosingQuote);
}

TEST(CommandParser, PositionsAndSeekTargets) {
  ParseResult seek = ParseCommand(u"seek MIDI to 1500");
  ASSERT_EQ(seek.error, kOk);
  EXPECT_EQ(seek.command.seek, SeekTarget::kPosition);
  EXPECT_EQ(seek.command.seek_position, 1500u);
  EXPECT_EQ(ParseCommand(u"play MIDI from 4294967295").command.from, 4294967295u);
  EXPECT_EQ(ParseCommand(u"status MIDI position").command.item, StatusItem::kPosition);
  EXPECT_EQ(ParseCommand(u"status MIDI length").command.item, StatusItem::kLength);
  EXPECT_EQ(ParseCommand(u"status MIDI ready").command.item, StatusItem::kReady);
}

struct BadCommand {
  const char16_t* text;
  uint32_t error;
  bool has_device;
};

TEST(CommandParser, ErrorsAndWhetherTheDeviceWasReadFirst) {
  const BadCommand cases[] = {
      {u"", kErrMissingCommandString, false},
      {u"   ", kErrMissingCommandString, false},
      {u"dance MIDI", kErrUnrecognizedCommand, false},
      {u"playy MIDI", kErrUnrecognizedCommand, false},
      {u"record MIDI", kErrUnsupportedFunction, false},
      {u"SET MIDI time format ms", kErrUnsupportedFunction, false},
      {u"play", kErrMissingDeviceName, false},
      {u"open", kErrFilenameRequired, false},
      {u"play MIDI sideways", kErrUnrecognizedKeyword, true},
      {u"close MIDI now", kErrUnrecognizedKeyword, true},
      {u"open x.mid alias", kErrMissingParameter, true},
      {u"open x.mid alias A alias B", kErrDuplicateFlags, true},
      {u"play MIDI from", kErrMissingParameter, true},
      {u"play MIDI from x", kErrBadInteger, true},
      {u"play MIDI from -1", kErrBadInteger, true},
      {u"play MIDI from 4294967296", kErrBadInteger, true},
      {u"play MIDI from 0 from 5", kErrDuplicateFlags, true},
      {u"play MIDI notify notify", kErrDuplicateFlags, true},
      {u"seek MIDI", kErrMissingParameter, true},
      {u"seek MIDI to", kErrMissingParameter, true},
      {u"seek MIDI to middle", kErrBadInteger, true},
      {u"seek MIDI to start to end", kErrFlagsNotCompatible, true},
      {u"status MIDI", kErrMissingParameter, true},
      {u"status MIDI notify", kErrMissingParameter, true},
      {u"status MIDI colour", kErrUnrecognizedKeyword, true},
      {u"status MIDI mode length", kErrFlagsNotCompatible, true},
  };
  for (const BadCommand& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    ParseResult r = ParseCommand(c.text);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.has_device, c.has_device);
    if (c.has_device) {
      EXPECT_FALSE(r.command.device.empty());
    }
  }
}

TEST(WriteReply, CutsAtTheGivenLengthAndEndsWithNul) {
  // The music module's buffer: 16 blanks, of which it declares 15.
  char16_t buffer[16];
  std::fill(std::begin(buffer), std::end(buffer), u' ');
  ASSERT_EQ(WriteReply(u"stopped", buffer, 15), kOk);
  EXPECT_EQ(Text(buffer), u"stopped");
  EXPECT_EQ(buffer[8], u' ');  // nothing written past the NUL

  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_EQ(WriteReply(u"a reply far longer than fifteen", buffer, 15), kOk);
  EXPECT_EQ(Text(buffer, 14), u"a reply far lo");
  EXPECT_EQ(buffer[14], u'\0');
  EXPECT_EQ(buffer[15], u'#');

  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_EQ(WriteReply(u"stopped", buffer, 8), kOk);  // exactly fits
  EXPECT_EQ(Text(buffer), u"stopped");
  ASSERT_EQ(WriteReply(u"stopped", buffer, 7), kOk);  // one short
  EXPECT_EQ(Text(buffer), u"stoppe");

  std::fill(std::begin(buffer), std::end(buffer), u'#');
  ASSERT_EQ(WriteReply(u"playing", buffer, 1), kOk);  // room for the NUL only
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(buffer[1], u'#');

  EXPECT_EQ(WriteReply(u"playing", nullptr, 0), kErrParamOverflow);
  EXPECT_EQ(WriteReply(u"playing", buffer, 0), kErrParamOverflow);
  EXPECT_EQ(buffer[0], u'\0');  // untouched by the refused write
}

}  // namespace
}  // namespace yomite::platform::mci
