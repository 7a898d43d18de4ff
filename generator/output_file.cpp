#include "generator/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>

#include "generator/quoted.h"

namespace pelmora {

namespace fs = std::filesystem;

namespace {

std::string Reason(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

// ---------------------------------------------------------------------------------------------
// Temporary files to remove when a signal ends the process. Signals are process-wide, so this
// record is too: a fixed table, written by the outputs and read by the handler, which may only
// make async-signal-safe calls (unlink, sigaction, raise).

struct CleanupSlot {
  std::atomic<int> state{0};  // SignalCleanup's kFree, kFilling, kReady
  char path[PATH_MAX];
};
constexpr int kCleanupSlots = 64;
// Constant-initialized, so the handler may read it at any time.
CleanupSlot cleanupSlots[kCleanupSlots];

class SignalCleanup {
 public:
  // Notes path (absolute) for removal; returns its slot, or -1 when the table is full (the file is
  // then still removed by its output, just not by a signal).
  static int Add(const std::string& path) {
    InstallHandlers();
    if (path.size() >= sizeof(CleanupSlot::path)) return -1;
    for (int i = 0; i < kCleanupSlots; ++i) {
      int expected = kFree;
      if (cleanupSlots[i].state.compare_exchange_strong(expected, kFilling)) {
        std::memcpy(cleanupSlots[i].path, path.c_str(), path.size() + 1);
        cleanupSlots[i].state.store(kReady);
        return i;
      }
    }
    return -1;
  }

  static void Remove(int slot) {
    if (slot >= 0) cleanupSlots[slot].state.store(kFree);
  }

 private:
  enum { kFree, kFilling, kReady };

  static void InstallHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
      for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        // Only the default action is replaced: an ignored signal stays ignored (nohup), and a
        // handler of the program's own stays its own.
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction ours {};
        ours.sa_handler = OnSignal;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = SA_RESETHAND;  // the default action is back when the handler runs
        sigaction(signal, &ours, nullptr);
      }
    });
  }

  static void OnSignal(int signal) {
    const int savedErrno = errno;
    for (CleanupSlot& slot : cleanupSlots) {
      if (slot.state.load() == kReady) unlink(slot.path);
    }
    errno = savedErrno;
    // Delivered with its default action once this handler returns: the usual status.
    raise(signal);
  }
};

// Blocks the signals that remove temporary files while a guard lives, so that a file is never
// created without being noted for removal.
class CleanupSignalsBlocked {
 public:
  CleanupSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~CleanupSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
  CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// 16 hex digits nobody can guess: from the kernel's random source, else std::random_device.
std::string RandomName() {
  uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    std::random_device device;
    bits = (static_cast<uint64_t>(device()) << 32) ^ device();
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = ".pelmora-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(bits >> shift) & 15];
  return name + ".tmp";
}

// Writes all of bytes to fd; 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno != 0 ? errno : EIO;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// An output that could not be opened: every step returns why.
class FailedOutput final : public Output {
 public:
  explicit FailedOutput(std::string message) : status_(Status::Error(std::move(message))) {}
  void Write(std::string_view) override {}
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override { return status_; }
  void Discard() noexcept override {}

 private:
  Status status_;
};

// A file descriptor written directly: a temporary file beside a target, or a pipe or device.
// With a temporary file, Commit renames it over target and syncs folder.
class DescriptorOutput final : public Output {
 public:
  // subject: "the dataset file 'a.txt'". temporary and target are empty for a pipe or device.
  DescriptorOutput(int fd, std::string subject, std::string temporary, int cleanupSlot,
                   std::string target, std::string folder)
      : fd_(fd),
        subject_(std::move(subject)),
        temporary_(std::move(temporary)),
        cleanupSlot_(cleanupSlot),
        target_(std::move(target)),
        folder_(std::move(folder)) {}
  ~DescriptorOutput() override { Discard(); }
  DescriptorOutput(const DescriptorOutput&) = delete;
  DescriptorOutput& operator=(const DescriptorOutput&) = delete;

  void Write(std::string_view bytes) override {
    if (!status_.ok()) return;
    if (fd_ < 0) {
      Fail(EBADF);
      return;
    }
    if (const int error = WriteAll(fd_, bytes); error != 0) Fail(error);
  }

  const Status& status() const override { return status_; }

  Status Complete() override {
    if (!status_.ok() || completed_) return status_;
    if (fd_ < 0) return Fail(EBADF);
    // A pipe or a terminal cannot be synced (EINVAL); a file must be.
    if (fsync(fd_) != 0 && (errno != EINVAL && errno != EROFS)) return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) return Fail(errno);
    completed_ = true;
    return status_;
  }

  Status Commit() override {
    if (const Status completed = Complete(); !completed.ok()) return completed;
    if (temporary_.empty()) return status_;
    if (rename(temporary_.c_str(), target_.c_str()) != 0) return Fail(errno);
    SignalCleanup::Remove(cleanupSlot_);
    cleanupSlot_ = -1;
    temporary_.clear();
    // The rename is durable once the folder is. A folder that cannot be synced is no failure of
    // the output, which is already in place.
    const int folder = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
      fsync(folder);
      close(folder);
    }
    return status_;
  }

  void Discard() noexcept override {
    if (fd_ >= 0) {
      close(fd_);
      fd_ = -1;
    }
    if (!temporary_.empty()) {
      unlink(temporary_.c_str());
      temporary_.clear();
    }
    SignalCleanup::Remove(cleanupSlot_);
    cleanupSlot_ = -1;
    if (status_.ok()) status_ = Status::Error("Cannot write " + subject_ + ": it was abandoned");
  }

 private:
  // Sets the first failure and discards the output; returns the status.
  const Status& Fail(int error) {
    if (status_.ok()) status_ = Status::Error("Cannot write " + subject_ + ": " + Reason(error));
    const Status failure = status_;
    Discard();
    status_ = failure;
    return status_;
  }

  int fd_;
  std::string subject_;
  std::string temporary_;
  int cleanupSlot_;
  std::string target_;
  std::string folder_;
  bool completed_ = false;
  Status status_;
};

class StandardOutput final : public Output {
 public:
  explicit StandardOutput(std::string_view kind)
      : subject_("the " + std::string(kind) + " to standard output") {}

  void Write(std::string_view bytes) override {
    if (!open_ || !status_.ok()) return;
    if (streaming_) {
      Send(bytes);
      return;
    }
    bytes_.append(bytes);
    if (bytes_.size() > kStandardOutputHeld) {
      streaming_ = true;
      Send(bytes_);
      std::string().swap(bytes_);
    }
  }
  const Status& status() const override { return status_; }
  Status Complete() override { return status_; }
  Status Commit() override {
    if (!status_.ok() || !open_) return status_;
    open_ = false;
    Send(bytes_);
    bytes_.clear();
    return status_;
  }
  void Discard() noexcept override {
    open_ = false;
    bytes_.clear();
  }

 private:
  void Send(std::string_view bytes) {
    if (const int error = WriteAll(STDOUT_FILENO, bytes); error != 0) {
      status_ = Status::Error("Cannot write " + subject_ + ": " + Reason(error));
    }
  }

  std::string subject_;
  std::string bytes_;
  bool open_ = true;
  bool streaming_ = false;
  Status status_;
};

// The folder that takes the temporary file of target: its parent, or the working folder.
std::string FolderOf(const std::string& target) {
  const fs::path parent = fs::path(target).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// Creates the temporary file in folder: exclusively, under a new random name, with mode (less
// the umask when fresh is set). Returns the descriptor and sets *path and *slot, or -1 with
// *error set.
int CreateTemporary(const std::string& folder, mode_t mode, std::string* path, int* slot,
                    int* error) {
  std::error_code ignored;
  fs::path absolute = fs::absolute(folder, ignored);
  if (absolute.empty()) absolute = folder;
  for (int attempt = 0; attempt < 64; ++attempt) {
    std::string candidate = (absolute / RandomName()).string();
    const CleanupSignalsBlocked blocked;
    const int fd =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0) {
      *slot = SignalCleanup::Add(candidate);
      *path = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) {
      *error = errno;
      return -1;
    }
  }
  *error = EEXIST;
  return -1;
}

}  // namespace

std::unique_ptr<Output> OpenOutputFile(const std::string& name, std::string_view kind) {
  const std::string what = "the " + std::string(kind);
  if (name.empty()) {
    return std::make_unique<FailedOutput>("Cannot create " + what + ": the file name is empty.");
  }
  const std::string subject = what + " " + QuoteName(name);
  const auto cannotCreate = [&](const std::string& reason) {
    return std::make_unique<FailedOutput>("Cannot create " + subject + ": " + reason);
  };

  struct stat link {};
  if (lstat(name.c_str(), &link) != 0) {
    if (errno != ENOENT) return cannotCreate(Reason(errno));
    // A new file: its folder takes it, with the usual mode.
    std::string temporary;
    int slot = -1;
    int error = 0;
    const int fd = CreateTemporary(FolderOf(name), 0666, &temporary, &slot, &error);
    if (fd < 0) return cannotCreate(Reason(error));
    return std::make_unique<DescriptorOutput>(fd, subject, std::move(temporary), slot, name,
                                              FolderOf(name));
  }

  struct stat target {};
  if (stat(name.c_str(), &target) != 0) {
    const int error = errno;
    if (S_ISLNK(link.st_mode) && error == ENOENT) {
      std::error_code ignored;
      const fs::path points = fs::read_symlink(name, ignored);
      return cannotCreate("it is a link to " + QuoteName(points.string()) +
                          ", which does not exist");
    }
    return cannotCreate(Reason(error));
  }
  if (S_ISDIR(target.st_mode)) return cannotCreate(Reason(EISDIR));
  if (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode)) {
    // A pipe or a device takes the bytes as they come; it cannot be replaced.
    const int fd = open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return cannotCreate(Reason(errno));
    return std::make_unique<DescriptorOutput>(fd, subject, std::string(), -1, std::string(),
                                              std::string());
  }
  if (!S_ISREG(target.st_mode)) {
    return cannotCreate("it is not a regular file, a pipe or a character device");
  }

  // A regular file, or a link to one: the file the links end at is replaced.
  std::string real = name;
  if (S_ISLNK(link.st_mode)) {
    char* resolved = realpath(name.c_str(), nullptr);
    if (resolved == nullptr) return cannotCreate(Reason(errno));
    real = resolved;
    std::free(resolved);
  }
  // Replacing a file one may not write would go round its permissions.
  if (faccessat(AT_FDCWD, real.c_str(), W_OK, AT_EACCESS) != 0) return cannotCreate(Reason(errno));

  const std::string folder = FolderOf(real);
  std::string temporary;
  int slot = -1;
  int error = 0;
  const int fd = CreateTemporary(folder, 0600, &temporary, &slot, &error);
  if (fd < 0) {
    return std::make_unique<FailedOutput>("Cannot write " + subject + ": its folder " +
                                          QuoteName(folder) + " takes no new file (" +
                                          Reason(error) +
                                          "), and a file is only replaced whole; it is "
                                          "left as it was");
  }
  auto output =
      std::make_unique<DescriptorOutput>(fd, subject, std::move(temporary), slot, real, folder);
  // Owner and group as before where this process may set them (the group alone when only that
  // is allowed), then the mode, which a change of owner may have cut.
  if (target.st_uid != geteuid() || target.st_gid != getegid()) {
    if (fchown(fd, target.st_uid, target.st_gid) != 0) {
      [[maybe_unused]] const int ignored = fchown(fd, static_cast<uid_t>(-1), target.st_gid);
    }
  }
  if (fchmod(fd, target.st_mode & 07777) != 0) {
    const int chmodError = errno;
    output->Discard();
    return cannotCreate(Reason(chmodError));
  }
  return output;
}

std::unique_ptr<Output> OpenStandardOutput(std::string_view kind) {
  return std::make_unique<StandardOutput>(kind);
}

}  // namespace pelmora
