#include "files/AtomicFileWriter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/PendingTemporaries.h"

namespace zel::files {
namespace {

namespace fs = std::filesystem;

class AtomicFileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "atomicXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

// A link planted where the file goes must not redirect the write to what it points at.
TEST_F(AtomicFileWriterTest, ASymbolicLinkAsTargetIsReplacedNotFollowed) {
  const fs::path victim = folder_ / "victim";
  std::ofstream(victim) << "precious";
  const fs::path target = folder_ / "out.bin";
  fs::create_symlink(victim, target);
  std::string error;
  ASSERT_TRUE(AtomicFileWriter::Write(target, std::string_view("new"), error)) << error;
  EXPECT_FALSE(fs::is_symlink(target));
  EXPECT_EQ(Contents(target), "new");
  EXPECT_EQ(Contents(victim), "precious");
  EXPECT_EQ(Names(), (std::vector<std::string>{"out.bin", "victim"}));
}

// Killed in the middle of writing, the program leaves the old file and no temporary beside it.
TEST_F(AtomicFileWriterTest, ASignalEndingTheProgramRemovesTheTemporaryFile) {
  const fs::path target = folder_ / "big.bin";
  std::ofstream(target) << "old";
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      PendingTemporaries::InstallSignalHandlers();
      const std::string bytes(32u << 20, 'x');
      std::string error;
      for (;;) AtomicFileWriter::Write(folder_ / "other.bin", bytes, error);
    }
    // Strike while a temporary file exists, when the child is seen to have one.
    for (int look = 0; look < 20000; ++look) {
      const std::vector<std::string> names = Names();
      if (std::any_of(names.begin(), names.end(),
                      [](const std::string& n) { return n.find(".tmp") != std::string::npos; }))
        break;
    }
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    for (const std::string& name : Names())
      EXPECT_TRUE(name == "big.bin" || name == "other.bin") << name << " left behind";
    EXPECT_EQ(Contents(target), "old");
  }
}

// SIGKILL cannot be caught: its temporary stays until the next write of the same file, which
// removes it, and only it: a live writer's temporary, another file's and look-alikes stay.
TEST_F(AtomicFileWriterTest, TheNextWriteRemovesWhatAKilledWriterLeftOfTheSameFile) {
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const pid_t alive = ::fork();
  ASSERT_GE(alive, 0);
  if (alive == 0) {
    ::pause();
    ::_exit(0);
  }
  const std::string dead = std::to_string(gone);
  const std::string live = std::to_string(alive);
  const std::vector<std::string> kept = {
      ".NAME.udf.tmp" + live + "_0",     ".OTHER.udf.tmp" + dead + "_0",
      ".NAME.udf.tmp" + dead + "_0.bak", ".NAME.udf.tmp" + dead + "_",
      ".NAME.udf.tmpx" + dead + "_0",    "NAME.udf.tmp" + dead + "_0"};
  for (const std::string& name : kept) std::ofstream(folder_ / name) << "x";
  std::ofstream(folder_ / (".NAME.udf.tmp" + dead + "_0")) << "half a file";
  std::ofstream(folder_ / (".NAME.udf.tmp" + dead + "_17")) << "half a file";
  std::string error;
  ASSERT_TRUE(AtomicFileWriter::Write(folder_ / "NAME.udf", std::string_view("new"), error))
      << error;
  ::kill(alive, SIGKILL);
  ::waitpid(alive, nullptr, 0);
  std::vector<std::string> expected = kept;
  expected.push_back("NAME.udf");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(Contents(folder_ / "NAME.udf"), "new");
}

}  // namespace
}  // namespace zel::files
