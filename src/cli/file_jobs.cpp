#include "cli/file_jobs.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <new>
#include <system_error>
#include <thread>

#include "cli/cli_io.h"
#include "cli/console.h"
#include "core/tessalin_error.h"

namespace tessalin::cli {

namespace {

int JobCount(const ParsedArgs& args) {
  if (!args.values.count("--jobs"))
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int jobs = args.IntValue("--jobs", 1);
  if (jobs < 1) throw UsageError("--jobs: give at least 1");
  return jobs;
}

// Paths compared as the files they name, so that "./a.bmp" and "a.bmp" meet.
std::string Identity(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

std::vector<FileJob> PlanFolderJobs(const std::vector<std::string>& inputs, const ParsedArgs& args) {
  const std::string folder = args.Value("--output", "");
  if (folder.empty()) throw UsageError("--output: give a folder");
  const std::string ext = TargetExtension(args);
  std::vector<FileJob> jobs;
  std::map<std::string, std::string> writers;  // output identity -> the input that writes it
  for (const std::string& in : inputs) {
    if (in == kStandardStream)
      throw UsageError(
          "standard input (-) has no name to write under -o; give OUT instead (- for standard output)");
    const std::filesystem::path path(in);
    const std::string out = (std::filesystem::path(folder) /
                             (path.stem().string() + (ext.empty() ? path.extension().string() : ext)))
                                .string();
    const auto [it, fresh] = writers.emplace(Identity(out), in);
    if (!fresh) throw UsageError(it->second + " and " + in + " would both write " + out);
    jobs.push_back({in, out});
  }
  // Files are worked on at once: none may replace another's input while it is read.
  for (const FileJob& job : jobs) {
    const auto it = writers.find(Identity(job.input));
    if (it != writers.end() && it->second != job.input)
      throw UsageError(it->second + " would write over " + job.input + ", which is also an input");
  }
  return jobs;
}

std::vector<FileJob> PlanSingleJob(const std::vector<std::string>& files, const ParsedArgs& args,
                                   bool writesSeveral) {
  if (files.size() != 2)
    throw UsageError(files.size() < 2 ? "give IN and OUT, or inputs with -o DIR"
                                      : "several inputs need -o DIR; give one IN and one OUT otherwise");
  const std::string& out = files[1];
  if (out == kStandardStream) {
    if (TargetExtension(args).empty())
      throw UsageError("- as OUT needs --to EXT to name the format to write");
    if (writesSeveral) throw UsageError("standard output takes one picture; pick one with --channel");
  } else if (args.values.count("--to")) {
    throw UsageError("--to goes with -o DIR or - as OUT; OUT's own extension names its format");
  }
  return {{files[0], out}};
}

// One job from start to end; failures leave as FileErrors naming their file.
void RunJob(const FileJob& job, const ParsedArgs& args, const ScreenSizing& sizing, const ApplyStep& step) {
  if (job.output != kStandardStream) CheckWritable(job.output);
  CliRun run;
  run.args = args;
  std::vector<ApplyResult> results;
  {
    RasterImage source = LoadInput(job.input, run);
    try {
      results = step(SizeForScreen(std::move(source), sizing), run.state);
    } catch (const TessalinError& e) {
      throw FileError(AboutFile(InputName(job.input), e.what()));
    } catch (const std::bad_alloc&) {
      throw FileError(InputName(job.input) + ": out of memory");
    }
  }
  for (const ApplyResult& r : results) SaveOutput(WithSuffix(job.output, r.suffix), r.image, run, r.packedBlackWhite);
}

}  // namespace

std::vector<FileJob> PlanFileJobs(const std::vector<std::string>& files, const ParsedArgs& args,
                                  bool writesSeveral) {
  JobCount(args);
  std::vector<FileJob> jobs;
  if (args.values.count("--output")) {
    if (files.empty()) throw UsageError("-o DIR needs at least one input");
    jobs = PlanFolderJobs(files, args);
  } else {
    jobs = PlanSingleJob(files, args, writesSeveral);
  }
  std::vector<std::string> inputs;
  for (const FileJob& job : jobs) inputs.push_back(job.input);
  CheckInputOptions(args, inputs);
  return jobs;
}

int RunFileJobs(const std::vector<FileJob>& jobs, const ParsedArgs& args, const ScreenSizing& sizing,
                const ApplyStep& step) {
  if (args.values.count("--output")) {
    const std::string folder = args.Value("--output", "");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
      PrintMessage(folder + ": the folder could not be made (" + error.message() + ")");
      return 1;
    }
  }
  const size_t total = jobs.size();
  EnableProgress(args.Quiet() || total < 2);
  std::atomic<size_t> next{0}, done{0}, failed{0};
  auto worker = [&] {
    for (size_t i; (i = next.fetch_add(1)) < total;) {
      try {
        RunJob(jobs[i], args, sizing, step);
      } catch (const TessalinError& e) {
        PrintMessage(e.what());
        ++failed;
      } catch (const std::exception& e) {
        PrintMessage(AboutFile(InputName(jobs[i].input), e.what()));
        ++failed;
      }
      ShowProgress(std::to_string(++done) + " of " + std::to_string(total) + " files done");
    }
  };
  const size_t workers = std::min(total, static_cast<size_t>(JobCount(args)));
  std::vector<std::thread> threads;
  for (size_t t = 1; t < workers; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& t : threads) t.join();
  EndProgress();
  return failed > 0 ? 1 : 0;
}

}  // namespace tessalin::cli
