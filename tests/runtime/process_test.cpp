// Process start: where the program finds its files, and how it ends on errors and faults.
#include "runtime/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs the probe from the given working directory and collects its status and output.
Outcome RunProbe(const fs::path& exe, const std::string& mode, const fs::path& cwd) {
  fs::path out = cwd / "probe_out.txt";
  fs::path err = cwd / "probe_err.txt";
  std::string cmd = "cd '" + cwd.string() + "' && '" + exe.string() + "' " + mode + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int raw = std::system(cmd.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
  o.out = ReadFile(out);
  o.err = ReadFile(err);
  return o;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::temp_directory_path() / ("probe_home_" + std::to_string(getpid()));
    elsewhere = fs::temp_directory_path() / ("probe_elsewhere_" + std::to_string(getpid()));
    fs::create_directories(home);
    fs::create_directories(elsewhere);
    exe = home / "probe";
    fs::copy_file(PROCESS_PROBE, exe, fs::copy_options::overwrite_existing);
    std::ofstream(home / "probe_asset.txt") << "next to the executable";
  }
  void TearDown() override {
    fs::remove_all(home);
    fs::remove_all(elsewhere);
  }
  fs::path home, elsewhere, exe;
};

TEST_F(ProcessTest, FindsFilesNextToItsExecutableFromAnotherDirectory) {
  Outcome o = RunProbe(exe, "where", elsewhere);
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("dir=" + home.string() + "\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("launch=" + elsewhere.string() + "\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("asset=next to the executable\n"), std::string::npos) << o.out;
}

TEST_F(ProcessTest, EndsWithExactTextAndStatus255) {
  struct Case {
    const char* mode;
    const char* text;
    bool exitActions;  // whether the atexit actions ran
  } cases[] = {
      {"throw", "Something went wrong", false},
      {"fault", "Unhandled Memory Exception Error", false},
      {"overflow", "Unhandled Memory Exception Error", false},
      {"thread-overflow", "Unhandled Memory Exception Error", false},
      // Asynchronous signals end at the next safe point, through the exit actions.
      {"term", "Received Signal", true},
      {"int", "Received Signal", true},
      {"hup", "Received Signal", true},
      // A second one before the safe point, or no safe point at all, ends at once.
      {"term-twice", "Received Signal", false},
      {"term-no-safe-point", "Received Signal", false},
      // A SIGSEGV that another process sends is no memory fault.
      {"kill-segv", "Received Signal", false},
      {"abort", "Received Signal", false},
      {"ill", "Received Signal", false},
  };
  for (const Case& c : cases) {
    Outcome o = RunProbe(exe, c.mode, elsewhere);
    EXPECT_EQ(o.status, 255) << c.mode;
    EXPECT_EQ(o.err, c.text) << c.mode;  // exactly the text: no line end added
    EXPECT_EQ(o.out == "exit action ran\n", c.exitActions) << c.mode << ": " << o.out;
  }
}

TEST_F(ProcessTest, KeepsBackslashesInItsPath) {
  fs::path odd = home / "back\\slash";
  fs::create_directories(odd);
  fs::copy_file(exe, odd / "probe");
  fs::copy_file(home / "probe_asset.txt", odd / "probe_asset.txt");
  Outcome o = RunProbe(odd / "probe", "where", elsewhere);
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("dir=" + odd.string() + "\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("asset=next to the executable\n"), std::string::npos) << o.out;
}

TEST(DirectoryOfPath, CutsAtTheLastSlashButKeepsARoot) {
  struct Case {
    const char* path;
    const char* dir;
  } cases[] = {
      {"/usr/games/letterfight", "/usr/games"},
      {"/letterfight", "/"},
      {"C:/letterfight.exe", "C:/"},
      {"C:/games/letterfight.exe", "C:/games"},
      {"letterfight", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DirectoryOfPath(c.path), c.dir) << c.path;
}

}  // namespace
