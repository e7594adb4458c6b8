// Runs a few independent jobs side by side, one thread each, the first on the
// calling thread. Whatever they share they only read, so the results do not
// depend on how the threads interleave.
#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace tessalin {

// Returns when every job has ended; the first failure (out of memory) is then
// passed on.
inline void RunConcurrently(const std::vector<std::function<void()>>& jobs) {
  std::vector<std::exception_ptr> failures(jobs.size());
  auto run = [&](size_t i) {
    try {
      jobs[i]();
    } catch (...) {
      failures[i] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(jobs.size());
  for (size_t i = 1; i < jobs.size(); ++i) {
    try {
      threads.emplace_back(run, i);
    } catch (const std::system_error&) {
      run(i);  // no thread to be had: the job runs here instead
    }
  }
  if (!jobs.empty()) run(0);
  for (std::thread& t : threads) t.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
}

}  // namespace tessalin
