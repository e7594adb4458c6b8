#include "app/home_page.h"

#include <algorithm>
#include <cctype>

#include "widgets/command_registry.h"

namespace tessalin {

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Strips arguments, the opening quote and what follows the closing one, and trailing blanks.
std::string CleanCommand(std::string command) {
  if (const size_t percent = command.find('%'); percent != std::string::npos) command.erase(percent);
  if (!command.empty() && command.front() == '"') command.erase(0, 1);
  if (const size_t quote = command.find('"'); quote != std::string::npos) command.erase(quote);
  while (!command.empty() && command.back() == ' ') command.pop_back();
  return command;
}

// The WWW_OpenURL then WWW_Activate exchange; true when the last request answered.
bool TryDde(DdeClient& dde, ProcessStarter& processes, const std::string& serviceProgram,
            const std::string& service, const std::string& openItem, const std::string& activateItem) {
  std::unique_ptr<DdeConversation> conversation = dde.OpenConversation();
  if (!conversation) return false;
  bool success = false;
  bool connected = conversation->Connect(service, "WWW_OpenURL");
  if (!connected) {
    processes.Start(serviceProgram, {}, WindowShow::MinimizedNoActivate);
    connected = conversation->Connect(service, "WWW_OpenURL");
  }
  if (connected && conversation->Request(openItem, kDdeTimeoutMs) &&
      conversation->Connect(service, "WWW_Activate"))
    success = conversation->Request(activateItem, kDdeTimeoutMs).has_value();
  conversation->Disconnect();
  return success;
}

}  // namespace

std::string BrowserCommand(ClassesRegistry& registry, const std::string& extension) {
  std::optional<std::string> command = registry.DefaultValue("." + extension + "\\shell\\open\\command");
  if (!command) {
    const std::optional<std::string> typeName = registry.DefaultValue("." + extension);
    if (typeName && !typeName->empty()) command = registry.DefaultValue(*typeName + "\\shell\\open\\command");
  }
  return command ? CleanCommand(*command) : std::string();
}

void OpenHomePage(HomePageShell& shell) {
  const std::string command = BrowserCommand(shell.registry, "HTM");
  const std::string upper = Upper(command);
  const size_t exe = upper.find(".EXE");
  const std::string serviceProgram = exe == std::string::npos ? command : command.substr(0, exe);
  const std::string url = kHomePageUrl;

  bool success = false;
  if (upper.find("NETSCAPE.EXE") != std::string::npos)
    success = TryDde(shell.dde, shell.processes, serviceProgram, "Netscape", url + ",,0x0, 0x0", "0xFFFFFFFF,0x0");
  else if (upper.find("IEXPLORE.EXE") != std::string::npos)
    success = TryDde(shell.dde, shell.processes, serviceProgram, "iexplore", url + ",,0", "0,0");

  // The command keeps its own case: an upper-cased path names no program on a
  // case-sensitive file system.
  if (!success) shell.processes.Start(command, {url}, WindowShow::Normal);
}

void OpenHomePage() {
  HomePageShell shell{DesktopRegistry(), DesktopDde(), DesktopProcesses()};
  OpenHomePage(shell);
}

namespace {
const AppCommandRegistration kHomePageCommand("homepage",
                                              [](AppServices&, const RasterImage*, int) { OpenHomePage(); });
}  // namespace

}  // namespace tessalin
