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
#include "base/action_budget.h"
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
  ~Fom();
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

  // The work of the action being handled. A chain of steps that spends all
  // of it (one that keeps opening scripts without ever showing a prose line
  // can never end) stops with "Out of stack space"; a fast-forward stops by
  // itself once half of it is spent.
  const ActionBudget& budget() const { return budget_; }
  // A page that is never cleared (an empty line at the first place of each
  // page keeps it) grows from one action to the next: past this many
  // characters (128 MB) it is "Out of memory", long before the system's
  // memory runs out.
  static constexpr size_t kMaxPageCharacters = size_t{64} << 20;

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

  // One user action: the outermost handler call begins a fresh budget.
  class ActionScope {
   public:
    explicit ActionScope(Fom& fom) : fom_(fom) {
      if (fom_.action_depth_++ == 0) fom_.budget_.Begin();
    }
    ~ActionScope() { --fom_.action_depth_; }

   private:
    Fom& fom_;
  };
  // After a unit of work is counted and before it is done: EndingNow when
  // the program is ending, error 28 when the action has overdrawn its
  // budget (or would, with what a picture being decoded has cost so far).
  void CheckBudget(int64_t picture_work = 0);
  void CountPicture(const platform::Picture& picture);
  // Clearing or painting the picture area.
  void CountPaint();

  MainWindow& w_;
  Platform p_;
  GameState s_;
  Bgm bgm_;
  std::optional<StartPoint> start_;
  int action_depth_ = 0;
  ActionBudget budget_;
  // The script being played and the number of the lookahead line.
  Text script_file_;
  long next_line_no_ = 0;
  long cur_line_no_ = 0;
  long reading_line_no_ = 0;  // the line being read, while it is read
};

}  // namespace yomite
