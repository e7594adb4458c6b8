// The few shell services that help and the home page need, behind interfaces
// so that the logic on top is tested with fakes: read-only lookups of file-type
// commands, DDE conversations with a browser, starting programs, and finding
// or opening the help viewer.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessalin {

// The classes root of the registry, read-only: keys are never created.
class ClassesRegistry {
 public:
  virtual ~ClassesRegistry() = default;
  // The key's default (unnamed) value; nullopt when the key does not open.
  virtual std::optional<std::string> DefaultValue(const std::string& key) = 0;
};

// One DDE client conversation.
class DdeConversation {
 public:
  virtual ~DdeConversation() = default;
  virtual bool Connect(const std::string& service, const std::string& topic) = 0;
  // The answer's data, or nullopt when none came within `timeoutMs`.
  virtual std::optional<std::string> Request(const std::string& item, int timeoutMs) = 0;
  virtual void Disconnect() = 0;
};

class DdeClient {
 public:
  virtual ~DdeClient() = default;
  virtual std::unique_ptr<DdeConversation> OpenConversation() = 0;
};

enum class WindowShow { Normal, MinimizedNoActivate };

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Starts `program` with `arguments`; false when it could not be started.
  virtual bool Start(const std::string& program, const std::vector<std::string>& arguments,
                     WindowShow show) = 0;
};

// The help viewer: a top-level window found by title, or a document opened
// with a program that can show it.
class HelpViewerShell {
 public:
  virtual ~HelpViewerShell() = default;
  // Moves the window to the top of the window order without moving or
  // resizing it; false when no such window exists.
  virtual bool RaiseWindowTitled(const std::string& title) = 0;
  // Opens `path` alone: a compiled help file (".chm") with a CHM viewer, a
  // page with the web browser. False when no such program could be started.
  virtual bool OpenDocument(const std::string& path) = 0;
};

// This desktop's implementations. The registry's answer for ".htm" and ".html"
// is the default web browser ($BROWSER, xdg-settings, else xdg-open); there
// are no DDE servers here.
ClassesRegistry& DesktopRegistry();
DdeClient& DesktopDde();
ProcessStarter& DesktopProcesses();
HelpViewerShell& DesktopHelpShell();

// The default browser's command as a desktop entry would run it (an Exec line
// with its field codes, or a $BROWSER entry); empty when there is none.
std::string DesktopBrowserExec();

// The value of the first "Exec=" key of a desktop entry's [Desktop Entry] group.
std::string DesktopEntryExec(const std::string& entryText);

}  // namespace tessalin
