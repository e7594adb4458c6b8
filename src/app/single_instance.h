// The one-instance guard "SharedExists". On Linux a named shared-memory
// segment outlives a crashed process and would block every later start, so
// the guard is an flock() on a lock file instead: the kernel drops the lock
// when the holding process ends in any way, crash included.
#pragma once

#include <string>

namespace tessalin {

class SingleInstanceGuard {
 public:
  SingleInstanceGuard() = default;
  ~SingleInstanceGuard();
  SingleInstanceGuard(const SingleInstanceGuard&) = delete;
  SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

  // True when this process now holds the guard; false when another process
  // holds it. The guard stays held until the object goes (or the process ends).
  bool Acquire(const std::string& lockPath);

 private:
  int fd_ = -1;
};

// The lock file for `name` in the user's runtime folder ($XDG_RUNTIME_DIR,
// else the temporary folder), one per user.
std::string SingleInstanceLockPath(const std::string& name);

}  // namespace tessalin
