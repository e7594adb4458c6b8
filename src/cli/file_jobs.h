// The files of convert and apply: IN OUT, or IN... with -o DIR [--to EXT].
// Each input is loaded, sized, worked on and saved with its own process-wide
// values, so running several at once gives the same bytes as one at a time.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/screen_sizing.h"

namespace tessalin::cli {

struct FileJob {
  std::string input;   // a path, or "-"
  std::string output;  // OUT, DIR/STEM.EXT, or "-"
};

// The jobs that the positional `files` and -o / --to name, the input options
// checked. UsageError when
// they do not make sense: a missing OUT, two inputs writing one file, standard
// output for several pictures (`writesSeveral`).
std::vector<FileJob> PlanFileJobs(const std::vector<std::string>& files, const ParsedArgs& args,
                                  bool writesSeveral);

// Works on every job, -j of them at once: load, size, `step`, save each
// result (OUT with the result's suffix). A job that fails is reported by its
// file's name and the others still go on. Returns 0, or 1 when any failed.
int RunFileJobs(const std::vector<FileJob>& jobs, const ParsedArgs& args, const ScreenSizing& sizing,
                const ApplyStep& step);

}  // namespace tessalin::cli
