// Where the player finds its story: the order of the places, what counts as
// a story, and the report that names every place when none holds one.
#include "app/player/story_search.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite::player;
using namespace yomite::testing;

namespace {

struct Places {
  fs::path root;
  std::map<std::string, std::string> env;

  // An empty tree: a program folder, a home, system data folders and a
  // prefix, none holding a story yet.
  explicit Places(const std::string& name) : root(FreshFolder(name)) {
    fs::create_directories(root / "prefix/bin");
    fs::create_directories(root / "home");
    env["HOME"] = (root / "home").string();
  }

  // Puts a one-line story (or, with script, a file of that name) there.
  std::string Story(const std::string& where, const std::string& script = "opn.dat") {
    fs::create_directories(root / where);
    WriteFile(root / where / script, "\x82\xCD\x82\xB6\x82\xDF\r\n");
    return (root / where).string();
  }

  StoryPlaces Make(std::optional<std::string> argument = std::nullopt) const {
    StoryPlaces p;
    p.argument = std::move(argument);
    p.program_folder = (root / "prefix/bin").string() + "/";
    p.getenv = [this](const char* name) -> const char* {
      auto it = env.find(name);
      return it == env.end() ? nullptr : it->second.c_str();
    };
    p.bindir = "bin";
    p.datadir = "share";
    p.configured_datadir = (root / "configured/share").string();
    return p;
  }
};

TEST(StorySearch, EachPlaceInTurnWinsOverTheOnesAfterIt) {
  Places t("search-order");
  t.env["XDG_DATA_HOME"] = (t.root / "data-home").string();
  t.env["XDG_DATA_DIRS"] = (t.root / "sys1").string() + ":" + (t.root / "sys2").string();
  // Filled from the last place to the first: each new story must win.
  std::string prefix = t.Story("prefix/share/yomite/dat");
  EXPECT_EQ(FindStory(t.Make()).dat, prefix) << "the prefix the program is installed under";
  std::string sys2 = t.Story("sys2/yomite/dat");
  EXPECT_EQ(FindStory(t.Make()).dat, sys2);
  std::string sys1 = t.Story("sys1/yomite/dat");
  EXPECT_EQ(FindStory(t.Make()).dat, sys1) << "XDG_DATA_DIRS in its order";
  std::string home = t.Story("data-home/yomite/dat");
  EXPECT_EQ(FindStory(t.Make()).dat, home);
  std::string beside = t.Story("prefix/bin/dat");
  EXPECT_EQ(FindStory(t.Make()).dat, beside) << "dat beside the program comes first";
  std::string named = t.Story("mine/dat");
  EXPECT_EQ(FindStory(t.Make((t.root / "mine").string())).dat, named)
      << "the folder on the command line beats them all";
}

TEST(StorySearch, TheArgumentMayBeTheDatFolderItselfAndIsTheOnlyPlaceLookedAt) {
  Places t("search-argument");
  t.Story("prefix/bin/dat");
  std::string story = t.Story("games/mine/dat");
  EXPECT_EQ(FindStory(t.Make(story)).dat, story);
  EXPECT_EQ(FindStory(t.Make(story + "/")).dat, story) << "a trailing slash";
  StorySearch none = FindStory(t.Make((t.root / "games").string()));
  EXPECT_EQ(none.dat, "") << "a named folder without a story does not fall back to another";
  EXPECT_EQ(none.looked_at, (std::vector<std::string>{(t.root / "games/dat").string(),
                                                      (t.root / "games").string()}));
}

TEST(StorySearch, AStoryIsAFolderHoldingTheFirstScriptInAnyCase) {
  Places t("search-what");
  std::string upper = t.Story("upper/dat", "OPN.DAT");
  EXPECT_TRUE(HoldsStory(upper)) << "names are matched as the story's rules match them";
  t.Story("other/dat", "0_0.dat");
  EXPECT_FALSE(HoldsStory((t.root / "other/dat").string())) << "scripts but no opn.dat";
  fs::create_directories(t.root / "dir/dat/opn.dat");
  EXPECT_FALSE(HoldsStory((t.root / "dir/dat").string())) << "opn.dat must be a file";
  // Not a regular file, but there: opening it is the error the tools give.
  fs::create_directories(t.root / "fifo/dat");
  ASSERT_EQ(::mkfifo((t.root / "fifo/dat/opn.dat").c_str(), 0600), 0);
  EXPECT_TRUE(HoldsStory((t.root / "fifo/dat").string()));
  fs::create_directories(t.root / "zero/dat");
  fs::create_symlink("/dev/zero", t.root / "zero/dat/opn.dat");
  EXPECT_TRUE(HoldsStory((t.root / "zero/dat").string()));
  WriteFile(t.root / "file", "x");
  EXPECT_FALSE(HoldsStory((t.root / "file").string()));
  EXPECT_FALSE(HoldsStory((t.root / "missing").string()));
}

TEST(StorySearch, XdgDefaultsAndRelativeEntries) {
  Places t("search-xdg");
  // Unset: ~/.local/share, then /usr/local/share and /usr/share.
  StorySearch s = FindStory(t.Make());
  ASSERT_GE(s.looked_at.size(), 4u);
  EXPECT_EQ(s.looked_at[1], (t.root / "home/.local/share/yomite/dat").string());
  EXPECT_EQ(s.looked_at[2], "/usr/local/share/yomite/dat");
  EXPECT_EQ(s.looked_at[3], "/usr/share/yomite/dat");

  // Relative entries are ignored, as the base directory rules say; an
  // empty XDG_DATA_HOME means the default.
  t.env["XDG_DATA_HOME"] = "";
  t.env["XDG_DATA_DIRS"] = "relative/share::" + (t.root / "sys").string();
  s = FindStory(t.Make());
  EXPECT_EQ(s.looked_at[1], (t.root / "home/.local/share/yomite/dat").string());
  EXPECT_EQ(s.looked_at[2], (t.root / "sys/yomite/dat").string());
  for (const std::string& l : s.looked_at) EXPECT_NE(l.rfind("relative", 0), 0u) << l;
}

TEST(StorySearch, TheInstalledDataFolderFollowsTheProgram) {
  Places t("search-prefix");
  StoryPlaces p = t.Make();
  EXPECT_EQ(FindStory(p).looked_at.back(), (t.root / "prefix/share/yomite/dat").string());
  // Not in an install layout (e.g. the build folder): the configured prefix.
  p.program_folder = (t.root / "build").string() + "/";
  EXPECT_EQ(FindStory(p).looked_at.back(), (t.root / "configured/share/yomite/dat").string());
  // The prefix "/" itself.
  p.program_folder = "/bin/";
  EXPECT_EQ(FindStory(p).looked_at.back(), "/share/yomite/dat");
  // The Debian package's player is in /usr/games, its story in /usr/share.
  p.bindir = "games";
  p.program_folder = "/usr/games/";
  EXPECT_EQ(FindStory(p).looked_at.back(), "/usr/share/yomite/dat");
  p.program_folder = (t.root / "prefix/bin").string() + "/";
  EXPECT_EQ(FindStory(p).looked_at.back(), (t.root / "configured/share/yomite/dat").string())
      << "a games folder is not a bin folder";
}

TEST(StorySearch, TheReportNamesEveryPlaceOnceInOrder) {
  Places t("search-report");
  t.env["XDG_DATA_DIRS"] = "/usr/share:/usr/share:" + (t.root / "prefix/share").string();
  StorySearch s = FindStory(t.Make());
  EXPECT_EQ(s.dat, "");
  std::vector<std::string> want = {
      (t.root / "prefix/bin/dat").string(), (t.root / "home/.local/share/yomite/dat").string(),
      "/usr/share/yomite/dat", (t.root / "prefix/share/yomite/dat").string()};
  EXPECT_EQ(s.looked_at, want) << "a place named twice is looked at once";
  std::string message = NotFoundMessage(s);
  size_t at = 0;
  for (const std::string& w : want) {
    size_t found = message.find("  " + w + "\n", at);
    ASSERT_NE(found, std::string::npos) << w << " in\n" << message;
    at = found;
  }
  EXPECT_NE(message.find("opn.dat"), std::string::npos) << "says what was looked for";
}

}  // namespace
