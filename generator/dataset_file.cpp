#include "generator/dataset_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pelmora {

namespace fs = std::filesystem;

namespace {

std::string Reason(int error) { return std::strerror(error); }

// subject: "the dataset file 'NAME'", as the messages name the file.
std::string CannotCreate(const std::string& subject, const std::string& reason) {
  return "Cannot create " + subject + ": " + reason;
}

std::string CannotWrite(const std::string& subject, const std::string& reason) {
  return "Cannot write " + subject + ": " + reason;
}

// Writes straight into an open stream: the temporary file beside a target, or a device or pipe.
// When temporary is set, Finish renames it over target and Discard removes it.
class FileSink final : public DatasetSink {
 public:
  FileSink(std::FILE* file, std::string subject, fs::path temporary, fs::path target)
      : file_(file), subject_(std::move(subject)), temporary_(std::move(temporary)),
        target_(std::move(target)) {}

  ~FileSink() override { Discard(); }

  bool Write(const char* data, size_t size) override {
    if (file_ == nullptr) return Fail(EBADF);
    errno = 0;
    if (std::fwrite(data, 1, size, file_) != size) return Fail(errno != 0 ? errno : EIO);
    return true;
  }

  bool Finish() override {
    if (file_ == nullptr) return Fail(EBADF);
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    const bool flushed = std::fflush(file) == 0;
    const int flushError = errno;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!flushed || !closed) {
      RemoveTemporary();
      return Fail(!flushed ? (flushError != 0 ? flushError : EIO)
                           : (closeError != 0 ? closeError : EIO));
    }
    if (!temporary_.empty()) {
      std::error_code code;
      fs::rename(temporary_, target_, code);
      if (code) {
        RemoveTemporary();
        error_ = CannotWrite(subject_, code.message());
        return false;
      }
      temporary_.clear();
    }
    return true;
  }

  void Discard() noexcept override {
    if (file_ != nullptr) {
      std::fclose(file_);
      file_ = nullptr;
    }
    RemoveTemporary();
  }

  std::string Error() const override { return error_; }

 private:
  bool Fail(int error) {
    if (error_.empty()) error_ = CannotWrite(subject_, Reason(error));
    return false;
  }

  void RemoveTemporary() noexcept {
    if (temporary_.empty()) return;
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    temporary_.clear();
  }

  std::FILE* file_;
  std::string subject_;
  fs::path temporary_;
  fs::path target_;
  std::string error_;
};

// For a writable file in a folder that takes no new file: the bytes are kept until Finish and
// then written over the file in one go. Should that write fail (a full disk), the earlier
// contents, read just before, are written back; only if that fails too is the file cut short.
class ReplaceInPlaceSink final : public DatasetSink {
 public:
  ReplaceInPlaceSink(std::string name, std::string subject)
      : name_(std::move(name)), subject_(std::move(subject)) {}

  bool Write(const char* data, size_t size) override {
    bytes_.append(data, size);
    return true;
  }

  bool Finish() override {
    std::string earlier;
    const bool readable = ReadWhole(&earlier);
    int error = 0;
    if (WriteWhole(bytes_, &error)) return true;
    if (readable) {
      int ignored = 0;
      WriteWhole(earlier, &ignored);
    }
    return Fail(error);
  }

  void Discard() noexcept override { bytes_.clear(); }
  std::string Error() const override { return error_; }

 private:
  bool ReadWhole(std::string* bytes) const {
    std::FILE* file = std::fopen(name_.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) != 0) bytes->append(buffer, got);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
  }

  // Replaces the contents of the file with bytes; false with *error set when that fails.
  bool WriteWhole(const std::string& bytes, int* error) const {
    errno = 0;
    std::FILE* file = std::fopen(name_.c_str(), "wb");
    if (file == nullptr) {
      *error = errno;
      return false;
    }
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    *error = !written ? writeError : errno;
    return written && closed;
  }

  bool Fail(int error) {
    error_ = CannotWrite(subject_, Reason(error != 0 ? error : EIO));
    return false;
  }

  std::string name_;
  std::string subject_;
  std::string bytes_;
  std::string error_;
};

class StandardOutputSink final : public DatasetSink {
 public:
  bool Write(const char* data, size_t size) override {
    bytes_.append(data, size);
    return true;
  }

  bool Finish() override {
    errno = 0;
    const bool written = std::fwrite(bytes_.data(), 1, bytes_.size(), stdout) == bytes_.size();
    const bool flushed = std::fflush(stdout) == 0;
    bytes_.clear();
    if (!written || !flushed) {
      error_ = "Cannot write the dataset to standard output: " + Reason(errno != 0 ? errno : EIO);
      return false;
    }
    return true;
  }

  void Discard() noexcept override { bytes_.clear(); }
  std::string Error() const override { return error_; }

 private:
  std::string bytes_;
  std::string error_;
};

// Creates a new file beside target, with a name no other file has. Returns null and sets
// *errorNumber when the folder cannot take a new file.
std::FILE* CreateTemporaryBeside(const fs::path& target, fs::path* temporary, int* errorNumber) {
  const fs::path folder = target.parent_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = folder / (".pelmora-" + std::to_string(attempt) + ".tmp");
    errno = 0;
    // "x": fails if the name exists, so an unrelated file is never taken over.
    std::FILE* file = std::fopen(candidate.c_str(), "wbx");
    if (file != nullptr) {
      *temporary = std::move(candidate);
      return file;
    }
    if (errno != EEXIST) {
      *errorNumber = errno != 0 ? errno : EIO;
      return nullptr;
    }
  }
  *errorNumber = EEXIST;
  return nullptr;
}

}  // namespace

std::unique_ptr<DatasetSink> OpenDatasetFile(const std::string& name, std::string* error) {
  return OpenOutputFile(name, error, "dataset file");
}

std::unique_ptr<DatasetSink> OpenOutputFile(const std::string& name, std::string* error,
                                            std::string_view kind) {
  const std::string subject = "the " + std::string(kind) + " '" + name + "'";
  if (name.empty()) {
    *error = "Cannot create the " + std::string(kind) + ": the file name is empty.";
    return nullptr;
  }
  const fs::path path(name);
  std::error_code code;
  const fs::file_status status = fs::status(path, code);  // follows links
  const bool exists = !code && fs::exists(status);

  if (exists && fs::is_directory(status)) {
    *error = CannotCreate(subject, Reason(EISDIR));
    return nullptr;
  }
  if (exists && !fs::is_regular_file(status)) {
    // A device or a pipe cannot be replaced; it takes the bytes as they come.
    errno = 0;
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) {
      *error = CannotCreate(subject, Reason(errno != 0 ? errno : EIO));
      return nullptr;
    }
    return std::make_unique<FileSink>(file, subject, fs::path(), fs::path());
  }

  fs::path target = path;
  if (exists) {
    // The target is a file (or a link to one): it must be writable, as opening it to replace
    // its contents would require, and a link keeps pointing at the new contents.
    errno = 0;
    std::FILE* probe = std::fopen(name.c_str(), "rb+");
    if (probe == nullptr) {
      *error = CannotCreate(subject, Reason(errno != 0 ? errno : EACCES));
      return nullptr;
    }
    std::fclose(probe);
    fs::path resolved = fs::canonical(path, code);
    if (!code) target = std::move(resolved);
  }

  fs::path temporary;
  int errorNumber = 0;
  std::FILE* file = CreateTemporaryBeside(target, &temporary, &errorNumber);
  if (file == nullptr) {
    if (exists) return std::make_unique<ReplaceInPlaceSink>(name, subject);
    *error = CannotCreate(subject, Reason(errorNumber));
    return nullptr;
  }
  return std::make_unique<FileSink>(file, subject, std::move(temporary), std::move(target));
}

std::unique_ptr<DatasetSink> OpenStandardOutput() { return std::make_unique<StandardOutputSink>(); }

void DatasetWriter::Reserve(size_t size) {
  if (kBufferSize - used_ < size) Flush();
}

DatasetWriter& DatasetWriter::Text(std::string_view text) {
  if (text.size() <= kBufferSize / 2 && text.find('\n') == std::string_view::npos) {
    Reserve(text.size());
    std::memcpy(buffer_ + used_, text.data(), text.size());
    used_ += text.size();
    return *this;
  }
  for (const char c : text) {
    Reserve(2);
    if (c == '\n' && crlf_) buffer_[used_++] = '\r';
    buffer_[used_++] = c;
  }
  return *this;
}

DatasetWriter& DatasetWriter::Int(int32_t value) {
  Reserve(11);
  const auto result = std::to_chars(buffer_ + used_, buffer_ + kBufferSize, value);
  used_ = static_cast<size_t>(result.ptr - buffer_);
  return *this;
}

DatasetWriter& DatasetWriter::Fixed2(double value) {
  // Large enough for the longest double in fixed notation with two decimals.
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  return Text(std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

bool DatasetWriter::Flush() {
  if (used_ != 0 && !failed_) failed_ = !sink_.Write(buffer_, used_);
  used_ = 0;
  return !failed_;
}

}  // namespace pelmora
