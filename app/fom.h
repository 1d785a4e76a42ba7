// The story logic of the main window: its handlers and procedures, named
// after the control and event they belong to. The definitions live beside
// the behaviour they implement: start-up here, the layout in layout.cpp,
// the step in script/, pictures in picture/, the choice in choice/.
#pragma once

#include <cstdint>
#include <optional>

#include "app/game_state.h"
#include "app/main_window.h"
#include "app/start_point.h"
#include "music/bgm.h"
#include "platform/files.h"
#include "platform/media.h"
#include "platform/picture.h"

namespace yomite {

// Where the story is: the script file and the line being executed.
struct ScriptLocation {
  Text file;  // e.g. "0_3.dat"; empty before the first script opens
  long line = 0;
};

class Fom {
 public:
  struct Platform {
    platform::Files& files;
    platform::PictureLoader& pictures;
    platform::MediaCommands& media;
    Text dat_path;  // the data folder, ending in the separator
  };

  Fom(MainWindow& w, Platform platform);
  Fom(const Fom&) = delete;
  Fom& operator=(const Fom&) = delete;

  // Start-up, new game and end.
  void Form_Load();
  void Form_Activate();
  void Form_Unload(int16_t& Cancel);
  void EndCom_Click();
  // The layout.
  void Form_Resize();
  // The step and the pacing of the text.
  void Lbl_Click();
  void TimLbl_Timer();
  void ClickMe_Click();
  void Lbl_MouseDown(int16_t Button);
  void Lbl_MouseUp(int16_t Button);
  void ClickMe_MouseDown(int16_t Button);
  void ClickMe_MouseUp(int16_t Button);
  // The loader.
  void OpenScript(const Text& name);
  // Pictures.
  void ShowPicture(const Text& name);
  void Img_Click();
  // The choice menu.
  void QstOpen();
  void QstCom_Click(int16_t Index);

  // The first game starts there instead of at "opn" (for an author's tests).
  void StartAt(StartPoint start) { start_ = std::move(start); }

  const GameState& state() const { return s_; }
  GameState& mutable_state() { return s_; }
  const Bgm& bgm() const { return bgm_; }
  ScriptLocation Location() const;

  // A chain of steps that keeps opening scripts without ever showing a
  // prose line can never end; past this many script openings in one chain
  // it stops with "Out of stack space".
  static constexpr long kMaxOpensPerChain = 100000;
  // The fast-forward stops by itself after this many steps.
  static constexpr long kMaxFastForwardSteps = 100000;

 private:
  enum class Next { kStop, kStepAgain };

  // One step; kStepAgain when its last action is to take the next step.
  Next Step();
  Next Dispatch();
  void ShowProse();
  // OpenScript without its first step, for callers that take it next.
  void BeginScript(const Text& name);
  // Form_Activate without the first step of "opn".
  void BeginNewGame();
  // BeginNewGame at the start point instead.
  void BeginAt(const StartPoint& start);
  void CloseScript();
  void RunSteps();
  void FastForward();

  // Counts script openings over one outermost handler call.
  class ChainScope {
   public:
    explicit ChainScope(Fom& fom) : fom_(fom) {
      if (fom_.chain_depth_++ == 0) fom_.chain_opens_ = 0;
    }
    ~ChainScope() { --fom_.chain_depth_; }

   private:
    Fom& fom_;
  };

  MainWindow& w_;
  Platform p_;
  GameState s_;
  Bgm bgm_;
  std::optional<StartPoint> start_;
  int chain_depth_ = 0;
  long chain_opens_ = 0;
  // The script being played and the number of the lookahead line.
  Text script_file_;
  long next_line_no_ = 0;
  long cur_line_no_ = 0;
  long reading_line_no_ = 0;  // the line being read, while it is read
};

}  // namespace yomite
