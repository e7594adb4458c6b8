#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
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

namespace {

// Opens `path`, asks `allocate` for room for its announced size and reads
// into it; returns the bytes read (fewer if the file shrank meanwhile).
template <typename Allocate>
size_t ReadFileInto(const std::string& path, Allocate allocate) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, "cannot be opened: " + ErrnoText() + ".");
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    ThrowFileError(path, "is not a readable file.");
  }
  const size_t size = static_cast<size_t>(st.st_size);
  uint8_t* data = nullptr;
  try {
    data = allocate(size);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    ThrowFileError(path, "is too large to read into memory.");
  }
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, data + done, size - done);
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
  return done;
}

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  bytes.resize(ReadFileInto(path, [&](size_t size) {
    bytes.resize(size);
    return bytes.data();
  }));
  return bytes;
}

LargeBuffer ReadWholeFileBuffer(const std::string& path) {
  LargeBuffer bytes;
  const size_t done = ReadFileInto(path, [&](size_t size) {
    bytes = LargeBuffer(size);
    return bytes.Data();
  });
  bytes.Shrink(done);
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

namespace {

// The temporary file as a descriptor that is closed on every way out.
class TemporaryFile {
 public:
  TemporaryFile(const std::string& temp, const std::string& path)
      : path_(path), fd_(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
    if (fd_ < 0) Fail(ErrnoText());
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void Write(const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail(n < 0 ? ErrnoText() : "nothing was written");
      done += static_cast<size_t>(n);
    }
  }
  // On the disk before the rename, so a crash leaves the old file or the new one.
  void Finish() {
    if (::fsync(fd_) != 0 && errno != EINVAL) Fail(ErrnoText());
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(ErrnoText());
  }

 private:
  [[noreturn]] void Fail(const std::string& why) { ThrowFileError(path_, "cannot be written: " + why + "."); }
  const std::string& path_;
  int fd_;
};

}  // namespace

void WriteFileAtomicallyInPieces(const std::string& path,
                                 const std::function<bool(std::vector<uint8_t>&)>& nextPiece) {
  WriteFileAtomicallyWith(path, [&](const std::string& temp) {
    TemporaryFile file(temp, path);
    std::vector<uint8_t> piece;
    for (bool more = true; more;) {
      piece.clear();
      more = nextPiece(piece);
      file.Write(piece.data(), piece.size());
    }
    file.Finish();
  });
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  WriteFileAtomicallyWith(path, [&](const std::string& temp) {
    TemporaryFile file(temp, path);
    file.Write(bytes.data(), bytes.size());
    file.Finish();
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
