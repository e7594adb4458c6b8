// Help contents: the compiled help file beside the program, opened with its
// associated viewer, or the viewer already open brought forward.
#pragma once

#include <string>

#include "app/help_platform.h"

namespace tessalin {

inline constexpr char kHelpFileName[] = "Tessalin_v10b_Help.chm";
inline constexpr char kHelpWindowTitle[] = "Tessalin_v10b_Help";
// The same help as HTML pages, for desktops without a CHM viewer.
inline constexpr char kHelpHtmlFolder[] = "Tessalin_v10b_Help";

// `programDir`: the directory of the running program.
void OpenHelpContents(HelpViewerShell& shell, const std::string& programDir);
// With this desktop's services and the running program's directory.
void OpenHelpContents();

}  // namespace tessalin
