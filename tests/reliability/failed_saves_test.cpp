// Saves that fail: the target is a folder, the folder is read-only, the disk
// fills half way through. The old file must stay as it was, no temporary file
// may be left beside it, and the error must name the file.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"

namespace tessalin {
namespace {

namespace fs = std::filesystem;
using test::FileHarness;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const char* const kWritten[] = {".bmp", ".jpg", ".gif", ".ico", ".emf", ".wmf", ".raw", ".wbmp"};

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs `save` in a child process prepared by `prepare`; returns the child's
// error text ("" when the save claimed success, "!" plus a note on anything else).
template <typename Prepare>
std::string SaveInChild(const std::string& path, const RasterImage& picture, Prepare prepare) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "!pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    std::string report;
    if (!prepare()) {
      report = "!prepare failed";
    } else {
      FileHarness h;
      try {
        if (!SaveImageFile(path, picture, h.context)) report = "!refused by extension";
      } catch (const TessalinError& e) {
        report = e.what();
        if (report.empty()) report = "!empty error";
      } catch (const std::exception& e) {
        report = std::string("!other exception: ") + e.what();
      }
    }
    (void)!::write(pipeFds[1], report.data(), report.size());
    ::_exit(0);  // no leak report, no atexit handlers of the parent's objects
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "!child died with signal " + std::to_string(WTERMSIG(status));
  return report;
}

class FailedSaves : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = dir.File("pictures");
    fs::create_directory(folder);
    ::chmod(dir.Path().c_str(), 0755);  // reachable when the child drops root
    ::chmod(folder.c_str(), 0755);
  }

  // Puts an old file at `path` and checks, after a failed save, that it is
  // untouched and alone, and that `error` names it.
  void ExpectSafeFailure(const std::string& ext, const std::string& error, const std::vector<uint8_t>& old) {
    const std::string path = folder + "/picture" + ext;
    ASSERT_FALSE(error.empty()) << ext << ": the save reported success";
    EXPECT_NE(error[0], '!') << ext << ": " << error;
    EXPECT_NE(error.find(path), std::string::npos) << ext << ": " << error;
    EXPECT_EQ(ReadBytes(path), old) << ext << ": the old file changed";
    EXPECT_EQ(Entries(folder), std::vector<std::string>{std::string("picture") + ext}) << ext << ": something was left behind";
  }

  TempDir dir;
  std::string folder;
  const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
};

TEST_F(FailedSaves, TargetThatIsAFolder) {
  RasterImage picture = test::MakeRandom24(20, 10, 3);
  for (const char* ext : kWritten) {
    const std::string path = folder + "/folder" + ext;
    fs::create_directory(path);
    WriteBytes(path + "/inside", old);
    FileHarness h;
    try {
      SaveImageFile(path, picture, h.context);
      ADD_FAILURE() << ext << ": a folder was saved over";
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_directory(path)) << ext;
    EXPECT_EQ(ReadBytes(path + "/inside"), old) << ext;
    EXPECT_EQ(Entries(path), std::vector<std::string>{"inside"}) << ext;
    fs::remove_all(path);
    EXPECT_TRUE(Entries(folder).empty()) << ext << ": a temporary file was left";
  }
}

TEST_F(FailedSaves, ReadOnlyFolder) {
  RasterImage picture = test::MakeRandom24(20, 10, 4);
  for (const char* ext : kWritten) {
    const std::string path = folder + "/picture" + ext;
    WriteBytes(path, old);
    ::chmod(path.c_str(), 0644);
    ::chmod(folder.c_str(), 0555);
    const std::string error = SaveInChild(path, picture, [] {
      // Root ignores permissions: the child saves as nobody.
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return false;
      return true;
    });
    ::chmod(folder.c_str(), 0755);
    ExpectSafeFailure(ext, error, old);
    fs::remove(path);
  }
}

// The disk fills up part of the way: writes past the limit fail with EFBIG.
TEST_F(FailedSaves, WriteThatFailsHalfWay) {
  RasterImage picture = test::MakeRandom24(300, 200, 5);  // every format takes well over 4 KiB
  for (const char* ext : kWritten) {
    const std::string path = folder + "/picture" + ext;
    WriteBytes(path, old);
    const std::string error = SaveInChild(path, picture, [] {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{2048, 2048};
      return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    });
    ExpectSafeFailure(ext, error, old);
    fs::remove(path);
  }
}

// The same saves without the fault succeed, so the failures above are the fault's.
TEST_F(FailedSaves, TheSameSavesSucceedWithoutTheFault) {
  RasterImage picture = test::MakeRandom24(300, 200, 5);
  for (const char* ext : kWritten) {
    const std::string path = folder + "/picture" + ext;
    WriteBytes(path, old);
    const std::string error = SaveInChild(path, picture, [] { return true; });
    EXPECT_EQ(error, "") << ext;
    EXPECT_GT(ReadBytes(path).size(), 2048u) << ext;
    EXPECT_EQ(Entries(folder), std::vector<std::string>{std::string("picture") + ext}) << ext;
    fs::remove(path);
  }
}

}  // namespace
}  // namespace tessalin
