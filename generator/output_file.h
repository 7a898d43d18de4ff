// Every file Pelmora writes goes through an Output: the dataset, CSV, WKT, SVG and PNG pictures,
// the window's saved picture, and any format added later. An Output opened on a file name makes
// these promises:
//
// - Atomic replace. The bytes go to a temporary file in the target's own folder, created
//   exclusively (O_EXCL) under an unpredictable name (".pelmora-<16 random hex digits>.tmp"). On
//   Complete it is flushed to the disk (fsync) and closed; on Commit it is renamed over the target
//   and the folder is synced, so that neither a crash nor a power loss leaves a target that is
//   neither the earlier file nor the complete new one. A good file is never rewritten in place:
//   where the folder takes no new file, opening fails with a message naming the folder and the
//   reason, and the earlier file stays as it was.
// - Mode, owner, group. A replaced file keeps its mode, and its owner and group where the process
//   may set them; a new file gets the usual mode 0666 less the user's umask. The temporary file
//   has the final mode before the first byte is written, so it never shows more than the target.
// - Links. A link to a file is written through: the link stays and the file it points at is
//   replaced (its folder takes the temporary file). A dangling link, a link loop, a folder, and
//   anything but a regular file, a pipe or a character device (a terminal is one) is refused with
//   a message. Pipes and character devices are written directly: they cannot be replaced, so
//   Complete and Commit only close them.
// - No leftovers. Discard, a failed Complete or Commit, and the destructor of an output neither
//   committed nor discarded remove the temporary file. SIGINT, SIGTERM and SIGHUP remove every
//   temporary file of the process and then end it with the usual status (the signal raised again
//   with its default action); a signal the process ignores or handles itself is left alone.
//   After a SIGKILL a leftover ".pelmora-*.tmp" may stay; with random names it never stops a
//   later output.
//
// Every failure is a Status whose message names the file ("the dataset file 'a.txt'", the kind
// given at opening and the name quoted by QuoteName) and the reason. The first failure sticks:
// later writes are dropped and Complete and Commit return it.
//
// Adding a layer. A layer is an Output that holds the Output it writes into and passes the four
// steps on: a compressing output, say, compresses in Write and hands the result to the inner
// Write; Complete ends the compressed stream, writes its tail and then completes the inner
// output; Commit completes itself if needed and commits the inner one; Discard discards the
// inner one. Its status is its own first failure, else the inner output's; an inner message
// already names the file, so a layer's own message names it the same way.
//
// Several outputs of one command form a transaction: complete all of them, then commit them, and
// discard all when any fails before its commit; no target changes until every one is complete.
//
// Outputs are not thread-safe; each is used by one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <pelmora/status.h>

namespace pelmora {

class Output {
 public:
  // An output that was neither committed nor discarded is discarded.
  virtual ~Output() = default;

  // Appends bytes. After a failure they are dropped; status() says what failed.
  virtual void Write(std::string_view bytes) = 0;

  // Done so far, or the first failure.
  virtual const Status& status() const = 0;

  // Makes the contents complete and durable without touching the target: for a file, everything
  // written, synced to the disk and closed. May be called again; returns the status.
  virtual Status Complete() = 0;

  // Puts the output in place: completes it if needed, then for a file renames it over the target
  // and syncs the folder. A failed commit leaves the target as it was and no temporary file.
  virtual Status Commit() = 0;

  // Abandons the output: the target stays as it was, the temporary file is removed. May be
  // called again; never fails. Nothing can be written after it.
  virtual void Discard() noexcept = 0;
};

// Opens the output file name (exactly as typed; relative to the working folder) with the
// promises above. kind names it in messages: "dataset file", "picture". Never null: when the
// name cannot be written (empty, a missing folder, a folder, no permission, a dangling link)
// the output's status() is already the failure, and nothing was created.
std::unique_ptr<Output> OpenOutputFile(const std::string& name, std::string_view kind);

// Standard output: the first kStandardOutputHeld bytes are kept in memory until Commit writes
// them, so that a short output abandoned before its commit writes nothing there. A longer output
// is passed on as it comes once it outgrows that, so that memory stays bounded at any size; an
// output abandoned after that point has sent part of itself (for a dataset, one without its
// "End of dataset." footer), and the command's exit status says it failed. A failed write (a
// closed pipe, a full device) is a failure that names standard output and the reason.
inline constexpr size_t kStandardOutputHeld = size_t{4} << 20;
std::unique_ptr<Output> OpenStandardOutput(std::string_view kind);

// Keeps the bytes in memory; Commit moves them to *destination (which must outlive the output),
// for output that is compared or converted rather than stored. A discarded output leaves
// *destination as it was.
class MemoryOutput final : public Output {
 public:
  explicit MemoryOutput(std::string* destination) : destination_(destination) {}
  void Write(std::string_view bytes) override {
    if (open_) pending_.append(bytes);
  }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override {
    if (open_) *destination_ = std::move(pending_);
    open_ = false;
    return status_;
  }
  void Discard() noexcept override {
    open_ = false;
    pending_.clear();
  }

 private:
  std::string* destination_;
  std::string pending_;
  bool open_ = true;
  Status status_;
};

}  // namespace pelmora
