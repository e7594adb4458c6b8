#include "cli/console.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace tessalin::cli {

namespace {

struct Console {
  std::mutex mutex;
  bool progressEnabled = false;
  std::string progress;  // the line on screen, empty when none
};

Console& TheConsole() {
  static Console console;
  return console;
}

// The line is rewritten in place with a carriage return; "\x1b[K" clears what a longer one left.
void DrawLocked(const std::string& text) { std::fprintf(stderr, "\r%s\x1b[K", text.c_str()); }

}  // namespace

void PrintMessage(const std::string& text) {
  Console& c = TheConsole();
  const std::lock_guard<std::mutex> lock(c.mutex);
  if (!c.progress.empty()) std::fputs("\r\x1b[K", stderr);
  std::fprintf(stderr, "tessalin-cli: %s\n", text.c_str());
  if (!c.progress.empty()) DrawLocked(c.progress);
  std::fflush(stderr);
}

void EnableProgress(bool quietRequested) {
  TheConsole().progressEnabled = !quietRequested && isatty(STDERR_FILENO) == 1;
}

void ShowProgress(const std::string& text) {
  Console& c = TheConsole();
  const std::lock_guard<std::mutex> lock(c.mutex);
  if (!c.progressEnabled || text == c.progress) return;
  c.progress = text;
  DrawLocked(text);
  std::fflush(stderr);
}

void EndProgress() {
  Console& c = TheConsole();
  const std::lock_guard<std::mutex> lock(c.mutex);
  if (c.progress.empty()) return;
  c.progress.clear();
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
}

}  // namespace tessalin::cli
