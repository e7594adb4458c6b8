// The wizard run (File > Wizard, the Wizard tool button, and once after the
// splash): the wizard dialog, the file, the recipe, then the source window.
#pragma once

#include <QString>

#include "app/app_services.h"

namespace tessalin {

inline constexpr char kWizardOpenTitle[] = "Select Image for Wizard Processing";
inline constexpr char kWizardNoImageMessage[] = "InValid Operation to open file you selected.";
// The open dialog's filter indices: "All Format(*.*)" and "Icons (*.ico)".
inline constexpr int kAllFormatsFilter = 1;
inline constexpr int kIconsFilter = 4;

// The hourglass over the whole program for one command.
class HourglassCursor {
 public:
  HourglassCursor();
  ~HourglassCursor();
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
};

void RunWizard(AppServices& app);

// Runs the recipe of the current wizard settings on a file already chosen.
void RunWizardOnFile(AppServices& app, const QString& fileName);

}  // namespace tessalin
