#include "music/bgm.h"

namespace yomite {

void Bgm::OpenBgm(const Text& path) {
  // Closing first lets a second open reuse the alias; it fails harmlessly
  // when nothing is open.
  mci_.SendString(u"close MIDI notify", nullptr, 0);
  mci_.SendString(u"open \"" + path + u"\" alias MIDI", nullptr, 0);
}

void Bgm::PlayBgm() {
  BgmOn = kTrue;
  mci_.SendString(u"play MIDI notify", nullptr, 0);
}

void Bgm::CloseBgm() { mci_.SendString(u"close MIDI notify", nullptr, 0); }

void Bgm::BgmTim_Timer() {
  Text reply(16, u' ');
  mci_.SendString(u"status MIDI mode", reply.data(), 15);
  Text mode = reply.substr(0, 7);
  for (char16_t& c : mode) {
    if (c >= u'a' && c <= u'z') c -= 32;
  }
  if (mode == u"STOPPED" && BgmOn == kTrue) {
    mci_.SendString(u"seek MIDI to start", nullptr, 0);
    mci_.SendString(u"play MIDI from 0", nullptr, 0);
  }
}

}  // namespace yomite
