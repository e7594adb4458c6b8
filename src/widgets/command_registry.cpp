#include "widgets/command_registry.h"

#include <map>

namespace tessalin {

namespace {

std::map<std::string, AppCommand>& Registry() {
  static std::map<std::string, AppCommand> registry;
  return registry;
}

}  // namespace

void RegisterAppCommand(const std::string& name, AppCommand command) { Registry()[name] = std::move(command); }

const AppCommand* FindAppCommand(const std::string& name) {
  const auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : &it->second;
}

}  // namespace tessalin
