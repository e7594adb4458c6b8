#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace tessalin {

SingleInstanceGuard::~SingleInstanceGuard() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the lock
}

bool SingleInstanceGuard::Acquire(const std::string& lockPath) {
  if (fd_ >= 0) return true;
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no place for a lock: run rather than refuse to start
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

std::string SingleInstanceLockPath(const std::string& name) {
  std::filesystem::path dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) dir = runtime;
  else dir = std::filesystem::temp_directory_path();
  return (dir / (name + "-" + std::to_string(::getuid()) + ".lock")).string();
}

}  // namespace tessalin
