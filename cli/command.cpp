#include "cli/command.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "cli/options.h"
#include "cli/picture.h"
#include "cli/progress_line.h"
#include "generator/box_formats.h"
#include "generator/compressed_output.h"
#include "generator/dataset_header.h"
#include "generator/dataset_verify.h"
#include "generator/dataset_writer.h"
#include "generator/generation_run.h"
#include "generator/quoted.h"
#include "generator/stream_run.h"

namespace pelmora {

namespace {

// The identity of the file a name stands for, following links: the file itself when it exists,
// else its folder and last name, so that "x" and "./x" are one file before either exists.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // the last name, when the file does not exist

  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) == 0) return FileIdentity{info.st_dev, info.st_ino, ""};
  const std::filesystem::path path(name);
  const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
  if (stat(folder.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino, path.filename().string()};
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const auto first = IdentityOf(a);
  const auto second = IdentityOf(b);
  return first && second && *first == *second;
}

// An output whose commit only completes it: the run that writes it commits, the command then
// puts it in place with its other outputs.
class HeldOutput final : public Output {
 public:
  explicit HeldOutput(Output& inner) : inner_(inner) {}
  void Write(std::string_view bytes) override { inner_.Write(bytes); }
  const Status& status() const override { return inner_.status(); }
  Status Complete() override { return inner_.Complete(); }
  Status Commit() override { return inner_.Complete(); }
  void Discard() noexcept override { inner_.Discard(); }

 private:
  Output& inner_;
};

class Command {
 public:
  Command(std::span<const std::string_view> args, CommandIo& io) : args_(args), io_(io) {}

  int Run() {
    ParseOutcome parsed = ParseCommandLine(args_);
    if (!parsed.options) return Usage(parsed.error);
    if (parsed.options->help) {
      io_.out += HelpText();
      return kExitCompleted;
    }
    if (parsed.options->version) {
      io_.out += kVersionText;
      return kExitCompleted;
    }
    if (parsed.options->verifyFile) {
      return Verify(*parsed.options->verifyFile, parsed.options->quiet);
    }
    if (parsed.options->fromFile) {
      const std::string from = *parsed.options->fromFile;
      if (!parsed.options->outputGiven) {
        return Usage("--from needs -o FILE: the output is never taken from the header of " +
                     QuoteName(from));
      }
      if (const auto same = SameFiles(*parsed.options)) return Usage(*same);
      // The header's settings first; then every option given on top of them.
      std::string consumed;
      const std::unique_ptr<Input> input =
          DecompressingInput(io_.openInput(from), CompressionOf(from), QuoteName(from));
      const HeaderReading header = ReadDatasetHeader(*input, &consumed);
      if (!header.status.ok()) {
        if (header.inputFailed) return Failure(header.status.message());
        return Failure(QuoteName(from) + ": cannot read the header: " + header.status.message());
      }
      parsed = ParseCommandLine(args_, header.controls);
      if (!parsed.options) return Usage(parsed.error);
    }
    return Generate(*parsed.options);
  }

 private:
  int Usage(const std::string& error) {
    io_.err += "pelmora-gen: " + error + "\nTry 'pelmora-gen --help' for more information.\n";
    return kExitBadUsage;
  }

  int Failure(const std::string& message) {
    io_.err += "pelmora-gen: " + message + "\n";
    return kExitFailed;
  }

  int Verify(const std::string& name, bool quiet) {
    const std::unique_ptr<Input> input =
        DecompressingInput(io_.openInput(name), CompressionOf(name), QuoteName(name));
    const Verification verification = VerifyDataset(*input);
    if (verification.inputFailed) return Failure(verification.message);
    if (!quiet || verification.verdict != Verdict::kIdentical) {
      io_.out += EscapeText(name) + ": " + verification.message + "\n";
    }
    return verification.verdict == Verdict::kIdentical ? kExitCompleted : kExitFailed;
  }

  // The progress line of a long run or picture, on standard error when it is a terminal.
  static ProgressLine ProgressOnTerminal(bool quiet) {
    return ProgressLine(!quiet && isatty(STDERR_FILENO) == 1, [](const std::string& text) {
      (void)!write(STDERR_FILENO, text.data(), text.size());
    });
  }

  // Bad usage when two of the files the command writes or reads are one.
  std::optional<std::string> SameFiles(const CliOptions& options) {
    const std::string& dataset = options.controls.edfName;
    const bool toFile = dataset != "-";
    if (options.picture && toFile && SameFile(dataset, options.picture->file)) {
      return "-o and --picture name the same file " + QuoteName(options.picture->file);
    }
    if (options.fromFile) {
      if (toFile && SameFile(dataset, *options.fromFile)) {
        return "-o names the --from file " + QuoteName(*options.fromFile) +
               " itself; name another output, so that it is not replaced";
      }
      if (options.picture && SameFile(options.picture->file, *options.fromFile)) {
        return "--picture names the --from file " + QuoteName(*options.fromFile) + " itself";
      }
    }
    return std::nullopt;
  }

  int Generate(const CliOptions& options) {
    if (const auto same = SameFiles(options)) return Usage(*same);
#ifndef PELMORA_HAS_PICTURE
    if (options.picture) return Failure("this build draws no pictures");
#endif
    // Every output first: a name that cannot be written fails before any work is done.
    const std::string& name = options.controls.edfName;
    const bool toStandardOutput = name == "-";
    const std::unique_ptr<Output> dataset = CompressingOutput(
        toStandardOutput ? io_.openStandardOutput("dataset") : io_.openOutput(name, "dataset file"),
        CompressionOf(name), "the dataset file " + QuoteName(name));
    if (!dataset->status().ok()) return Failure(dataset->status().message());
    std::unique_ptr<Output> picture;
    if (options.picture) {
      picture = io_.openOutput(options.picture->file, "picture");
      if (!picture->status().ok()) return Failure(picture->status().message());
    }

    RunServices services;
    services.clockSeconds = io_.seedSource;
    services.openDataset = [&dataset](const std::string&) {
      return std::make_unique<HeldOutput>(*dataset);
    };
    // A second core formats and writes while the first draws.
    const int workers = std::thread::hardware_concurrency() > 1 ? 2 : 1;
    ProgressLine progress = ProgressOnTerminal(options.quiet);
    const StreamRunResult streamed = RunIntoOutput(
        options.controls, options.format, services,
        [&progress](int64_t done, int64_t total) { progress.Report(done, total); }, workers);
    progress.Clear();
    const RunResult& result = streamed.run;
    if (result.end != RunEnd::kCompleted) return Failure(result.message);
#ifdef PELMORA_HAS_PICTURE
    if (picture) {
      // The picture is drawn from the boxes of the same run, made again with its seed.
      GeneratorControls again = options.controls;
      again.rbSeedConstant = true;
      again.spSeed = result.seed;
      PlanOutcome planned = PlanRun(again, 0, services);
      if (!planned.plan) return Failure(planned.failure.message);
      const CompletedRun run{std::move(*planned.plan), streamed.randomSource};
      ProgressLine pictureProgress = ProgressOnTerminal(options.quiet);
      const Status drawn = DrawPicture(
          *options.picture, run, *picture, io_.pngModule,
          [&pictureProgress](int64_t done, int64_t total) { pictureProgress.Report(done, total); });
      pictureProgress.Clear();
      if (!drawn.ok()) return Failure(drawn.message());
    }
#endif

    // Everything is complete: now the outputs replace their files.
    if (const Status committed = dataset->Commit(); !committed.ok()) {
      return Failure(committed.message());
    }
    if (picture) {
      if (const Status committed = picture->Commit(); !committed.ok()) {
        return Failure(committed.message());
      }
    }

    if (!options.quiet) {
      // Messages go where the dataset does not.
      std::string& info = toStandardOutput ? io_.err : io_.out;
      const std::string shown = EscapeText(name);
      const std::string boxes = std::to_string(streamed.boxes);
      const std::string seed = std::to_string(result.seed);
      if (result.seedForField) {
        info += shown + ": " + boxes + " boxes, random seed " + seed + " (repeat with --seed " +
                seed + ")\n";
      } else {
        info += shown + ": " + boxes + " boxes, seed " + seed + "\n";
      }
    }
    return kExitCompleted;
  }

  std::span<const std::string_view> args_;
  CommandIo& io_;
};

}  // namespace

int32_t CommandIo::UnpredictableSeedSource() {
  uint32_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    // No kernel randomness: the clock's nanoseconds and the process number still differ from
    // one run to the next.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    bits =
        static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) ^
        (static_cast<uint32_t>(getpid()) * 2654435761u);
  }
  return static_cast<int32_t>(bits);
}

int RunCommand(std::span<const std::string_view> args, CommandIo& io) {
  return Command(args, io).Run();
}

}  // namespace pelmora
