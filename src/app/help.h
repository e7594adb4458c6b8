// Help contents: the help found beside the program (a build tree) or in the
// installed share folder, shown by a viewer that can show it, or the viewer
// already open brought forward.
#pragma once

#include <string>
#include <vector>

#include "app/help_platform.h"
#include "core/user_prompts.h"

namespace tessalin {

inline constexpr char kHelpFileName[] = "Tessalin_v10b_Help.chm";
inline constexpr char kHelpWindowTitle[] = "Tessalin_v10b_Help";
// The same help as HTML pages: the help that always ships.
inline constexpr char kHelpHtmlFolder[] = "Tessalin_v10b_Help";
inline constexpr char kHelpHtmlIndex[] = "index.html";

// The folders that may hold the help, in the order they are searched: the
// program's own directory, then the installed share folder relative to it.
std::vector<std::string> HelpFolders(const std::string& programDir);

// Raises the viewer already open; otherwise opens the compiled file in the
// first folder that holds help, or else its HTML pages, each with a program
// that can show it. Tells the user through `prompts` when there is no help or
// nothing to show it with.
void OpenHelpContents(HelpViewerShell& shell, const std::vector<std::string>& folders, UserPrompts& prompts);
// With this desktop's services and the running program's directory.
void OpenHelpContents(UserPrompts& prompts);

}  // namespace tessalin
