// The maker's home page in the default web browser: a DDE conversation with a
// running Netscape or Internet Explorer when that is the registered browser,
// otherwise the browser started with the address.
#pragma once

#include <string>

#include "app/help_platform.h"

namespace tessalin {

inline constexpr char kHomePageUrl[] = "https://www.velkora.example/tessalin/";
inline constexpr int kDdeTimeoutMs = 10000;

// The executable part of the command registered to open files of `extension`
// (without its dot), or empty.
std::string BrowserCommand(ClassesRegistry& registry, const std::string& extension);

struct HomePageShell {
  ClassesRegistry& registry;
  DdeClient& dde;
  ProcessStarter& processes;
};

void OpenHomePage(HomePageShell& shell);
// With this desktop's services.
void OpenHomePage();

}  // namespace tessalin
