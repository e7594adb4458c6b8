// Progress of batch runs: the bar's arithmetic and hint text, and the sink
// through which an engine reports without knowing who shows it.
#pragma once

#include <string>

namespace tessalin {

// The frame's progress bar as numbers: the caller sets maximum, step and
// position before a run.
struct ProgressBarState {
  int maximum = 100;
  int step = 1;
  int position = 0;
};

// Advances the bar by its step (not past its maximum) and returns
// round(position / maximum * 100).
int AdvanceProgress(ProgressBarState& bar);

// "ProcessRation : %d%s completed." with the percent and "%".
std::string ProgressHintText(int percent);

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Sets the bar to position 0 with the given maximum and step.
  virtual void ProgressStart(int maximum, int step) = 0;
  // ProgressStep: advance the bar and post the hint text.
  virtual void ProgressStep() = 0;
};

// A sink that keeps the bar state and hands each hint to OnHint; the frame and
// the command line build on it.
class CountingProgressSink : public ProgressSink {
 public:
  void ProgressStart(int maximum, int step) override;
  void ProgressStep() override;
  const ProgressBarState& Bar() const { return bar_; }

 protected:
  virtual void OnHint(const std::string& hint, int percent) = 0;

 private:
  ProgressBarState bar_;
};

}  // namespace tessalin
