// The wizard run (File > Wizard, the Wizard tool button, and once after the
// splash): the wizard dialog, the file, the recipe, then the source window.
#pragma once

#include <QString>

#include "widgets/app_services.h"

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

// Forwards to the frame's progress and lets pending window messages run once
// after the bar is configured, so that the bar and the hint repaint before
// the first result window.
class YieldingProgress : public ProgressSink {
 public:
  explicit YieldingProgress(ProgressSink& frame) : frame_(frame) {}
  void ProgressStart(int maximum, int step) override;
  void ProgressStep() override { frame_.ProgressStep(); }

 private:
  ProgressSink& frame_;
};

void RunWizard(AppServices& app);

// Runs the recipe of the current wizard settings on a file already chosen.
void RunWizardOnFile(AppServices& app, const QString& fileName);

}  // namespace tessalin
