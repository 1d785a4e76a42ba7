// The story folder: which run-time error each kind of file and failure is,
// that nothing waits on a FIFO or reads a device, the bound on a line, and
// the cache of folder listings.
#include "platform/story_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <future>

#include "base/runtime_error.h"
#include "platform/line_reader.h"
#include "platform/render/jpeg_loader.h"
#include "platform/script_files.h"
#include "tests/support/engine_harness.h"
#include "tests/support/story_builder.h"

namespace fs = std::filesystem;
using namespace yomite;
using namespace yomite::testing;

namespace {

struct Outcome {
  int number = 0;
  std::string message;
};

Outcome ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RuntimeError& e) {
    return {e.number(), e.message()};
  }
  return {};
}

// Runs fn on a thread and gives its outcome, or fails the test when it has
// not returned within a bound no working open comes near; unblock then
// releases whatever it waits on, so the test can end.
Outcome WithinBound(const std::function<void()>& fn, const std::function<void()>& unblock,
                    int seconds = 10) {
  auto done = std::async(std::launch::async, [&] { return ErrorOf(fn); });
  if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
    ADD_FAILURE() << "still waiting after " << seconds << " s";
    unblock();
  }
  return done.get();
}

TEST(FileError, MapsEachFailureToOneRunTimeError) {
  EXPECT_EQ(platform::FileError(ENOENT, "a.dat").number(), err::kFileNotFound);
  EXPECT_EQ(platform::FileError(ENOTDIR, "a.dat").number(), err::kFileNotFound);
  EXPECT_EQ(platform::FileError(EACCES, "a.dat").number(), err::kPermission);
  EXPECT_EQ(platform::FileError(EPERM, "a.dat").number(), err::kPermission);
  EXPECT_EQ(platform::FileError(ENOMEM, "a.dat").number(), err::kOutOfMemory);
  EXPECT_EQ(platform::FileError(EISDIR, "a.dat").message(),
            "Path/File access error: a.dat is a folder");
  EXPECT_EQ(platform::FileError(ENXIO, "a.dat").number(), err::kPathAccess);
  EXPECT_EQ(platform::FileError(ELOOP, "a.dat").number(), err::kPathAccess);
  const RuntimeError io = platform::FileError(EIO, "a.dat");
  EXPECT_EQ(io.number(), err::kDeviceIo);
  EXPECT_NE(io.message().find("a.dat"), std::string::npos) << io.message();
}

class FolderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dat_ = FreshFolder("folder-files");
    folder_ = std::make_unique<platform::StoryFolder>(dat_.string());
  }
  Text Path(const char* name) const { return folder_->dat_path() + FromUtf8(name); }

  // What each of the player's three readers says about the file.
  std::vector<Outcome> AllReaders(const char* name) {
    platform::ScriptFiles scripts(*folder_);
    platform::JpegPictureLoader pictures(*folder_);
    const Text path = Path(name);
    const std::string native = (dat_ / name).string();
    auto unblock = [native] {
      int fd = ::open(native.c_str(), O_RDWR | O_NONBLOCK);  // a writer releases a FIFO's reader
      if (fd >= 0) ::close(fd);
    };
    return {WithinBound([&] { scripts.OpenForInput(path, 1); }, unblock),
            WithinBound([&] { pictures.LoadPicture(path); }, unblock),
            WithinBound([&] { folder_->ReadWhole(path, 1 << 20, err::kOutOfMemory); }, unblock)};
  }

  fs::path dat_;
  std::unique_ptr<platform::StoryFolder> folder_;
};

TEST_F(FolderFiles, MissingUnreadableAndFolderAreTheSameErrorForEveryReader) {
  fs::create_directory(dat_ / "dir.dat");
  for (const Outcome& o : AllReaders("missing.dat")) {
    EXPECT_EQ(o.number, err::kFileNotFound);
    EXPECT_EQ(o.message, "File not found: missing.dat");
  }
  for (const Outcome& o : AllReaders("dir.dat")) {
    EXPECT_EQ(o.number, err::kPathAccess);
    EXPECT_EQ(o.message, "Path/File access error: dir.dat is a folder");
  }
  if (::geteuid() != 0) {
    WriteFile(dat_ / "locked.dat", "x");
    fs::permissions(dat_ / "locked.dat", fs::perms::none);
    for (const Outcome& o : AllReaders("locked.dat")) EXPECT_EQ(o.number, err::kPermission);
  }
}

// A FIFO, a device and a socket are refused at once, never waited on: an
// open of a FIFO without a writer would block for ever.
TEST_F(FolderFiles, OnlyRegularFilesAreOpened) {
  ASSERT_EQ(::mkfifo((dat_ / "fifo.dat").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dat_ / "zero.dat");
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sock_path = (dat_ / "sock.dat").string();
  ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
  std::copy(sock_path.begin(), sock_path.end(), addr.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  for (auto [name, what] : {std::pair{"fifo.dat", "a FIFO"}, std::pair{"zero.dat", "a device"},
                            std::pair{"sock.dat", "a socket"}}) {
    for (const Outcome& o : AllReaders(name)) {
      EXPECT_EQ(o.number, err::kPathAccess) << name;
      EXPECT_EQ(o.message, std::string("Path/File access error: ") + name + " is " + what);
    }
  }
  ::close(sock);
}

// A name no file system holds is not looked for: a script line of millions
// of characters is error 53 at once, its message cut short and escaped.
TEST_F(FolderFiles, ANameLongerThanAnyFilesIsNotFoundAtOnce) {
  const std::string part_max(255, 'a');
  WriteFile(dat_ / (part_max.substr(0, 251) + ".dat"), "x");
  struct Case {
    std::string name;
    bool too_long;
  } cases[] = {
      {part_max.substr(0, 251) + ".dat", false},            // 255 bytes: a file has it
      {part_max + ".dat", true},                            // 259 bytes in one part
      {std::string(127, 'a') + "\xE3\x81\x82.dat", false},  // あ: 2 bytes in code page 932
      {"sub\\" + part_max.substr(0, 251) + ".dat", false},  // each part within the limit
      {std::string(1000, 'a') + "\\" + part_max, true},
      {[] {
         std::string deep;
         for (int i = 0; i < 41; ++i) deep += std::string(100, 'd') + "\\";
         return deep + "x.dat";
       }(),
       true},  // 4,146 bytes in parts each within the limit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(folder_->NameTooLong(Path(c.name.c_str())), c.too_long) << c.name.size();
  }
  // Found when it is not too long; the others are not even looked for.
  EXPECT_EQ(ErrorOf([&] { folder_->Open(Path(cases[0].name.c_str())); }).number, 0);

  std::string huge(3'000'000, 'n');
  huge[10] = '\x1B';
  const std::clock_t began = std::clock();
  for (const Outcome& o : AllReaders((huge + ".dat").c_str())) {
    EXPECT_EQ(o.number, err::kFileNotFound);
    EXPECT_EQ(o.message, "File not found: nnnnnnnnnn\\e" + std::string(189, 'n') +
                             "... (a name of 3000004 characters): longer than a file's name can "
                             "be");
  }
  std::printf(
      "[ figures  ] three readers refused a name of 3 million characters in %.0f ms of CPU\n",
      1000.0 * double(std::clock() - began) / CLOCKS_PER_SEC);
}

// A link in the story folder is followed only where it stays inside it; a
// name that goes up with "..\\" leads where its text says, as the format
// lets it.
TEST_F(FolderFiles, LinksOutOfTheStoryFolderAreNotFollowed) {
  const fs::path outside = FreshFolder("folder-files-outside");
  WriteFile(outside / "secret.txt", "not the story's\r\n");
  WriteFile(dat_ / "real.dat", "the story's\r\n");
  fs::create_directory(dat_ / "sub");
  WriteFile(dat_ / "sub" / "deep.dat", "deeper\r\n");
  fs::create_symlink(outside / "secret.txt", dat_ / "out.dat");
  fs::create_symlink("../" + outside.filename().string() + "/secret.txt", dat_ / "rel.dat");
  fs::create_symlink(outside, dat_ / "away");
  fs::create_symlink("real.dat", dat_ / "in.dat");
  fs::create_symlink("sub", dat_ / "also");
  const std::string beside = "beside-" + dat_.filename().string() + ".dat";
  WriteFile(dat_.parent_path() / beside, "beside the folder\r\n");

  for (const char* name : {"out.dat", "rel.dat", "away\\secret.txt"}) {
    for (const Outcome& o : AllReaders(name)) {
      EXPECT_EQ(o.number, err::kPathAccess) << name;
      EXPECT_EQ(o.message,
                std::string("Path/File access error: ") + name + " leads outside the story folder");
    }
  }
  for (const std::string& name :
       std::vector<std::string>{"in.dat", "also\\deep.dat", "sub\\..\\real.dat", "..\\" + beside}) {
    EXPECT_EQ(ErrorOf([&] { folder_->Open(Path(name.c_str())); }).number, 0) << name;
  }
}

TEST_F(FolderFiles, AFileOverTheLimitIsReadNoFurther) {
  WriteFile(dat_ / "four.dat", "1234");
  EXPECT_EQ(folder_->ReadWhole(Path("four.dat"), 4, err::kInvalidPicture), "1234");
  Outcome o = ErrorOf([&] { folder_->ReadWhole(Path("four.dat"), 3, err::kInvalidPicture); });
  EXPECT_EQ(o.number, err::kInvalidPicture);
  EXPECT_NE(o.message.find("four.dat is larger than"), std::string::npos) << o.message;
}

std::vector<std::string> Lines(const fs::path& file, size_t max_line, Outcome* error) {
  platform::LineReader reader(platform::OpenRegularFile(file.string(), "s.dat"), "s.dat", max_line);
  std::vector<std::string> lines;
  *error = ErrorOf([&] {
    while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  });
  return lines;
}

TEST(LineReader, ALineOverTheLimitIsOutOfMemoryAtItsNumber) {
  const fs::path file = FreshFolder("line-limit") / "s.dat";
  Outcome error;
  WriteFile(file, "abc\r\n0123456789\r\nok");
  EXPECT_EQ(Lines(file, 10, &error), (std::vector<std::string>{"abc", "0123456789", "ok"}))
      << "a line of exactly the limit is read";
  EXPECT_EQ(error.number, 0);

  WriteFile(file, "abc\r\n0123456789\r\n01234567890\r\nnever");
  EXPECT_EQ(Lines(file, 10, &error), (std::vector<std::string>{"abc", "0123456789"}));
  EXPECT_EQ(error.number, err::kOutOfMemory);
  EXPECT_EQ(error.message, "Out of memory: line 3 of s.dat is longer than 10 bytes");

  // A long line split over many reads of the file, with no end at all.
  WriteFile(file, std::string(200000, 'x'));
  EXPECT_TRUE(Lines(file, 150000, &error).empty());
  EXPECT_EQ(error.message, "Out of memory: line 1 of s.dat is longer than 150000 bytes");
}

// A long line is read block by block, with a call before each that may
// leave the reading: a line of 16 MB is no single piece of work.
TEST(LineReader, ALongLineCallsBetweenItsBlocksWhichMayLeaveIt) {
  const fs::path file = FreshFolder("line-blocks") / "s.dat";
  WriteFile(file, "short\r\n" + std::string(1 << 20, 'x') + "\r\nlast");
  platform::LineReader reader(platform::OpenRegularFile(file.string(), "s.dat"), "s.dat");
  int calls = 0;
  auto count = [&] { ++calls; };
  EXPECT_EQ(reader.ReadLine(count), "short");
  EXPECT_EQ(calls, 1) << "the first block";
  EXPECT_EQ(reader.ReadLine(count).size(), size_t{1} << 20);
  EXPECT_EQ(calls, 17) << "one for each further block of 64 KiB";
  EXPECT_EQ(reader.ReadLine(count), "last");
  EXPECT_EQ(calls, 18) << "the rest was in the last block read; one more finds the end";

  platform::LineReader left(platform::OpenRegularFile(file.string(), "s.dat"), "s.dat");
  left.ReadLine();
  calls = 0;
  struct Left {};
  EXPECT_THROW(left.ReadLine([&] {
    if (++calls == 3) throw Left{};
  }),
               Left);
  EXPECT_EQ(calls, 3) << "nothing read after the call that left";
}

// A script with no line end at all, 20 GB of it on disk (sparse), ends the
// story with "Out of memory" at its first line, read no further than the
// limit: the player does not grow until the address space runs out.
TEST(LineReader, AHugeFileWithoutLineEndsEndsTheStoryAtLineOne) {
  const fs::path dat = FreshFolder("sparse-script");
  {
    int fd = ::open((dat / "opn.dat").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const bool sparse = ::ftruncate(fd, off_t{20} << 30) == 0;
    ::close(fd);
    if (!sparse) GTEST_SKIP() << "the file system takes no 20 GB file";
  }
  Engine e(dat);
  Outcome o = WithinBound([&] { e.Start(); }, [] {});
  EXPECT_EQ(o.number, err::kOutOfMemory);
  EXPECT_EQ(o.message, "Out of memory: line 1 of opn.dat is longer than " +
                           std::to_string(platform::kMaxLineBytes) + " bytes");
  EXPECT_EQ(e.fom.Location().file, u"opn.dat");
  EXPECT_EQ(e.fom.Location().line, 1) << "the line that cannot be read, never 0";
}

TEST(LineReader, TheLineNamedIsTheOneThatCannotBeRead) {
  const fs::path dat = FreshFolder("long-third-line");
  WriteFile(dat / "opn.dat",
            "one\r\ntwo\r\n" + std::string(platform::kMaxLineBytes + 1, 'x') + "\r\n");
  Engine e(dat);
  Outcome o = ErrorOf([&] {
    e.Start();
    EXPECT_EQ(e.w.Lbl.Caption(), u"one") << "line 2 is read ahead while line 1 shows";
    for (int i = 0; i < 3; ++i) e.fom.Lbl_Click();
  });
  EXPECT_EQ(o.number, err::kOutOfMemory);
  EXPECT_EQ(e.fom.Location().line, 3);
}

// The listing of a folder is read once and kept while the folder stays as
// it was: a name in the wrong case is a lookup, not a read of 5,000 entries.
TEST(FolderCache, AListingIsReadOnceUntilTheFolderChanges) {
  const fs::path dat = FreshFolder("listing-cache");
  for (int i = 0; i < 5000; ++i) WriteFile(dat / ("f" + std::to_string(i) + ".jpg"), "");
  WriteFile(dat / "Scene.DAT", "");
  // Made long ago, so the listing is not taken for one made in the same
  // tick of the file system's clock as a change.
  timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dat.c_str(), old, 0), 0);

  platform::StoryFolder folder(dat.string());
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(folder.Resolve(folder.dat_path() + u"scene.dat"), (dat / "Scene.DAT").string());
  }
  EXPECT_FALSE(folder.Resolve(folder.dat_path() + u"absent.dat"));
  EXPECT_EQ(folder.listings_read(), 1);

  WriteFile(dat / "Later.DAT", "");  // the folder's modification time moves on
  EXPECT_EQ(folder.Resolve(folder.dat_path() + u"later.dat"), (dat / "Later.DAT").string());
  EXPECT_EQ(folder.listings_read(), 2);
  EXPECT_EQ(folder.Resolve(folder.dat_path() + u"SCENE.dat"), (dat / "Scene.DAT").string());
  EXPECT_EQ(folder.listings_read(), 2);
}

// A folder whose modification time lies in the future (a skewed clock, an
// archive's dates) is read once however many names are missing from it.
TEST(FolderCache, AFolderDatedInTheFutureIsNotReadForEveryMissingName) {
  const fs::path dat = FreshFolder("listing-future");
  for (int i = 0; i < 5000; ++i) WriteFile(dat / ("f" + std::to_string(i) + ".jpg"), "");
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  timespec later[2] = {{now.tv_sec + 365 * 86400, 0}, {now.tv_sec + 365 * 86400, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dat.c_str(), later, 0), 0);
  platform::StoryFolder folder(dat.string());
  for (int i = 0; i < 2000; ++i) {
    EXPECT_FALSE(folder.Resolve(folder.dat_path() + FromUtf8("absent" + std::to_string(i))));
  }
  EXPECT_EQ(folder.listings_read(), 1);
  // A file made now moves the folder's time back to the present: seen.
  WriteFile(dat / "Later.DAT", "");
  EXPECT_EQ(folder.Resolve(folder.dat_path() + u"later.dat"), (dat / "Later.DAT").string());
}

// A script that reopens itself by a name in the wrong case, in a folder of
// 5,000 files: the chain ends with "Out of stack space" having read the
// folder at most twice.
TEST(FolderCache, AChainOfWrongCaseOpensDoesNotReadTheFolderEachTime) {
  const fs::path dat = FreshFolder("listing-chain");
  for (int i = 0; i < 5000; ++i) WriteFile(dat / ("f" + std::to_string(i) + ".jpg"), "");
  WriteFile(dat / "opn.dat", ScriptBytes(">ive>OPN") + "\r\n");
  Engine e(dat);
  Outcome o = WithinBound([&] { e.Start(); }, [] {}, 120);
  EXPECT_EQ(o.number, err::kOutOfStack);
  EXPECT_GT(e.files.opens, 1000);
  EXPECT_LE(e.folder.listings_read(), 2);
}

}  // namespace
