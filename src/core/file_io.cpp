#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "core/tessalin_error.h"

namespace tessalin {

namespace {

std::string ErrnoText() { return std::strerror(errno); }

std::string TemporaryBeside(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".tmp-" + std::to_string(::getpid());
}

void RejectDirectory(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ThrowFileError(path, "is a folder, not a file.");
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, "cannot be opened: " + ErrnoText() + ".");
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    ThrowFileError(path, "is not a readable file.");
  }
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    ThrowFileError(path, "is too large to read into memory.");
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const std::string why = ErrnoText();
      ::close(fd);
      ThrowFileError(path, "cannot be read: " + why + ".");
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

int64_t FileSizeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) ThrowFileError(path, "cannot be opened: " + ErrnoText() + ".");
  if (S_ISDIR(st.st_mode)) ThrowFileError(path, "is a folder, not a file.");
  return static_cast<int64_t>(st.st_size);
}

void WriteFileAtomicallyWith(const std::string& path, const std::function<void(const std::string&)>& writeTo) {
  RejectDirectory(path);
  const std::string temp = TemporaryBeside(path);
  try {
    writeTo(temp);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = ErrnoText();
    ::unlink(temp.c_str());
    ThrowFileError(path, "cannot be written: " + why + ".");
  }
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFileAtomicallyWith(path, [&](const std::string& temp) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) ThrowFileError(path, "cannot be written: " + ErrnoText() + ".");
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const std::string why = n < 0 ? ErrnoText() : "nothing was written";
        ::close(fd);
        ThrowFileError(path, "cannot be written: " + why + ".");
      }
      done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
      const std::string why = ErrnoText();
      ::close(fd);
      ThrowFileError(path, "cannot be written: " + why + ".");
    }
    if (::close(fd) != 0) ThrowFileError(path, "cannot be written: " + ErrnoText() + ".");
  });
}

std::string LowerExtension(const std::string& fileName) {
  const auto dot = fileName.find_last_of('.');
  if (dot == std::string::npos) return "";
  std::string ext = fileName.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

}  // namespace tessalin
