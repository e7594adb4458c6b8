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

// Nothing to save: an empty picture is refused in every format, as a failed save.
TEST_F(FailedSaves, EmptyPicture) {
  RasterImage empties[3];
  empties[1] = NewRaster(PixelFormat::pf24Bit, 5, 0);
  empties[2] = NewRaster(PixelFormat::pf1Bit, 0, 5);
  for (const RasterImage& empty : empties)
    for (const char* ext : kWritten) {
      const std::string path = folder + "/picture" + ext;
      WriteBytes(path, old);
      const std::string error = SaveInChild(path, empty, [] { return true; });
      ExpectSafeFailure(ext, error, old);
      EXPECT_NE(error.find("empty"), std::string::npos) << ext << ": " << error;
      fs::remove(path);
    }
}

// Saves that must succeed and land in the target itself: the temporary file
// beside it is never one planted there, the target keeps who may read it, and
// a name of 250 bytes leaves room for the temporary one.
TEST_F(FailedSaves, SavesNobodyCanRedirect) {
  const mode_t umask = ::umask(022);
  ::umask(umask);
  struct Row {
    const char* what;
    size_t nameBytes;
    int mode;  // of the old file; -1: there is none
    bool plantLinks;
  } rows[] = {{"a private file, links planted at the names of old temporary files", 12, 0600, true},
              {"a group-writable file", 12, 0664, false},
              {"a new file", 12, -1, false},
              {"a name of 250 bytes", 250, 0644, false}};
  RasterImage picture = test::MakeRandom24(30, 20, 6);
  const std::string victim = dir.File("victim");
  for (const Row& row : rows)
    for (std::string ext : kWritten) {
      const std::string name = std::string(row.nameBytes - ext.size(), 'p') + ext;
      const std::string path = folder + "/" + name;
      std::vector<std::string> expected = {name};
      if (row.mode >= 0) {
        WriteBytes(path, old);
        ::chmod(path.c_str(), static_cast<mode_t>(row.mode));
      }
      WriteBytes(victim, old);
      if (row.plantLinks) {
        // The names this program once used: ".<name>.tmp-<process id>".
        const std::string link = "." + name + ".tmp-" + std::to_string(::getpid());
        ASSERT_EQ(::symlink(victim.c_str(), (folder + "/" + link).c_str()), 0);
        expected.push_back(link);
      }
      FileHarness h;
      try {
        EXPECT_TRUE(SaveImageFile(path, picture, h.context)) << row.what << ", " << ext;
      } catch (const TessalinError& e) {
        ADD_FAILURE() << row.what << ", " << ext << ": " << e.what();
      }
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0) << row.what << ", " << ext;
      EXPECT_EQ(st.st_mode & 0777, row.mode >= 0 ? static_cast<mode_t>(row.mode) : 0666 & ~umask)
          << row.what << ", " << ext;
      EXPECT_NE(ReadBytes(path), old) << row.what << ", " << ext;
      EXPECT_EQ(ReadBytes(victim), old) << row.what << ", " << ext << ": the save went through a link";
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(Entries(folder), expected) << row.what << ", " << ext;
      fs::remove_all(folder);
      fs::create_directory(folder);
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
