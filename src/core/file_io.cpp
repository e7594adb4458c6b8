#include "core/file_io.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string_view>

#include "core/tessalin_error.h"

namespace tessalin {

namespace {

std::string ErrnoText() { return std::strerror(errno); }

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

std::vector<uint8_t> ReadFilePart(const std::string& path, int64_t offset, size_t count) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowFileError(path, "cannot be opened: " + ErrnoText() + ".");
  std::vector<uint8_t> bytes(count);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, bytes.data() + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      ThrowFileError(path, error == EISDIR ? "is a folder, not a file."
                                           : "cannot be read: " + std::string(std::strerror(error)) + ".");
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

namespace {

// Letters nobody can guess, for the temporary file's name.
std::string UnpredictableLetters() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint8_t random[12];
  size_t got = 0;
  while (got < sizeof random) {
    const ssize_t n = ::getrandom(random + got, sizeof random - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  if (got < sizeof random) {  // no getrandom: the library's own source
    std::random_device device;
    for (uint8_t& r : random) r = static_cast<uint8_t>(device());
  }
  std::string letters;
  for (uint8_t r : random) letters += kLetters[r % 36];
  return letters;
}

// The temporary file beside the target. It is made under a short name nobody
// can predict (so a 255-byte target name still leaves room for it), created
// exclusively without following links (a file or link planted beside the
// target is never written through), with the target's permissions. Removed
// unless Commit renames it over the target.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& path) : path_(path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    for (int attempt = 0; fd_ < 0; ++attempt) {
      name_ = dir + ".tessalin-" + UnpredictableLetters() + ".tmp";
      fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd_ < 0 && (errno != EEXIST || attempt == 16)) Fail(ErrnoText());
    }
    KeepTargetMode();
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // A path to this very file for writers that open it themselves; through
  // /proc the name cannot be swapped for a link in between.
  std::string PathForWriters() const {
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(fd_);
    return ::access(byDescriptor.c_str(), F_OK) == 0 ? byDescriptor : name_;
  }

  void Write(const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail(n < 0 ? ErrnoText() : "nothing was written");
      done += static_cast<size_t>(n);
    }
  }

  // On the disk before the rename, so a crash leaves the old file or the new
  // one; renamed only while the name still holds the file written.
  void Commit() {
    if (::fsync(fd_) != 0 && errno != EINVAL) Fail(ErrnoText());
    struct stat ours {};
    struct stat named {};
    if (::fstat(fd_, &ours) != 0 || ::lstat(name_.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
        named.st_ino != ours.st_ino || named.st_dev != ours.st_dev)
      Fail("its temporary file was replaced while it was written");
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(ErrnoText());
    if (::rename(name_.c_str(), path_.c_str()) != 0) Fail(ErrnoText());
    committed_ = true;
  }

 private:
  // A file replaced keeps who may read and write it (new files get the umask's 0666).
  void KeepTargetMode() {
    struct stat target {};
    if (::stat(path_.c_str(), &target) == 0 && S_ISREG(target.st_mode) &&
        ::fchmod(fd_, target.st_mode & 0777) != 0)
      Fail(ErrnoText());
  }
  [[noreturn]] void Fail(const std::string& why) { ThrowFileError(path_, "cannot be written: " + why + "."); }

  const std::string& path_;
  std::string name_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

void WriteFileAtomicallyWith(const std::string& path,
                             const std::function<void(const std::string&)>& writeTo) {
  RejectDirectory(path);
  TemporaryFile file(path);
  writeTo(file.PathForWriters());
  file.Commit();
}

void WriteFileAtomicallyInPieces(const std::string& path,
                                 const std::function<bool(std::vector<uint8_t>&)>& nextPiece) {
  RejectDirectory(path);
  TemporaryFile file(path);
  std::vector<uint8_t> piece;
  for (bool more = true; more;) {
    piece.clear();
    more = nextPiece(piece);
    file.Write(piece.data(), piece.size());
  }
  file.Commit();
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
  RejectDirectory(path);
  TemporaryFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
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
