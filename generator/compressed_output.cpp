#include "generator/compressed_output.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <vector>

namespace pelmora {

namespace {

constexpr size_t kChunk = 1 << 17;

// What both compressing layers share: the Output steps around one Compress call, which takes the
// bytes written (end: none, and the stream is to be closed) and hands what it makes to inner_.
class CompressingLayer : public Output {
 public:
  CompressingLayer(std::unique_ptr<Output> inner, std::string subject)
      : inner_(std::move(inner)), subject_(std::move(subject)), buffer_(kChunk) {}

  void Write(std::string_view bytes) override {
    if (!status().ok() || ended_) return;
    Compress(bytes, false);
  }
  const Status& status() const override { return status_.ok() ? inner_->status() : status_; }
  Status Complete() override {
    if (status().ok() && !ended_) {
      Compress(std::string_view(), true);
      ended_ = true;
    }
    if (!status().ok()) return status();
    return inner_->Complete();
  }
  Status Commit() override {
    if (Status done = Complete(); !done.ok()) {
      inner_->Discard();
      return done;
    }
    return inner_->Commit();
  }
  void Discard() noexcept override { inner_->Discard(); }

 protected:
  virtual void Compress(std::string_view bytes, bool end) = 0;
  void Fail(const std::string& why) {
    status_ = Status::Error("Cannot compress " + subject_ + ": " + why);
  }

  std::unique_ptr<Output> inner_;
  std::string subject_;
  std::vector<char> buffer_;

 private:
  bool ended_ = false;
  Status status_;
};

class GzipOutput final : public CompressingLayer {
 public:
  GzipOutput(std::unique_ptr<Output> inner, std::string subject)
      : CompressingLayer(std::move(inner), std::move(subject)) {
    // windowBits 15 + 16: a gzip header and trailer around the deflate stream.
    if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      Fail("zlib could not start");
    } else {
      started_ = true;
    }
  }
  ~GzipOutput() override {
    if (started_) deflateEnd(&stream_);
  }

 private:
  void Compress(std::string_view bytes, bool end) override {
    if (end) return Deflate(bytes, Z_FINISH);
    while (!bytes.empty()) {
      // zlib counts in 32-bit units: hand it at most 1 GiB at a time.
      const size_t piece = std::min<size_t>(bytes.size(), 1u << 30);
      Deflate(bytes.substr(0, piece), Z_NO_FLUSH);
      bytes.remove_prefix(piece);
    }
  }

  void Deflate(std::string_view input, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream_.avail_in = static_cast<uInt>(input.size());
    int result;
    do {
      stream_.next_out = reinterpret_cast<Bytef*>(buffer_.data());
      stream_.avail_out = static_cast<uInt>(buffer_.size());
      result = deflate(&stream_, flush);
      if (result == Z_STREAM_ERROR) return Fail("zlib failed");
      inner_->Write(std::string_view(buffer_.data(), buffer_.size() - stream_.avail_out));
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  }

  z_stream stream_{};
  bool started_ = false;
};

class ZstdOutput final : public CompressingLayer {
 public:
  ZstdOutput(std::unique_ptr<Output> inner, std::string subject)
      : CompressingLayer(std::move(inner), std::move(subject)), context_(ZSTD_createCCtx()) {
    buffer_.resize(ZSTD_CStreamOutSize());
    if (context_ == nullptr) Fail("no memory");
  }
  ~ZstdOutput() override { ZSTD_freeCCtx(context_); }

 private:
  void Compress(std::string_view bytes, bool end) override {
    const ZSTD_EndDirective directive = end ? ZSTD_e_end : ZSTD_e_continue;
    ZSTD_inBuffer input{bytes.data(), bytes.size(), 0};
    size_t remaining;
    do {
      ZSTD_outBuffer output{buffer_.data(), buffer_.size(), 0};
      remaining = ZSTD_compressStream2(context_, &output, &input, directive);
      if (ZSTD_isError(remaining)) return Fail(ZSTD_getErrorName(remaining));
      inner_->Write(std::string_view(buffer_.data(), output.pos));
    } while (end ? remaining != 0 : input.pos < input.size);
  }

  ZSTD_CCtx* context_;
};

Status Damaged(const std::string& subject, const std::string& why) {
  return Status::Error("Cannot read " + subject + ": " + why);
}

// Reads the compressed bytes of inner a chunk at a time.
class CompressedReader {
 public:
  explicit CompressedReader(std::unique_ptr<Input> inner)
      : inner_(std::move(inner)), buffer_(kChunk) {}
  // Refills when everything read has been used; ended() once inner has no more.
  Status Refill() {
    if (used_ < got_ || ended_) return Status::Ok();
    used_ = 0;
    got_ = 0;
    Status status = inner_->Read(buffer_.data(), buffer_.size(), &got_);
    if (status.ok() && got_ == 0) ended_ = true;
    return status;
  }
  const char* data() const { return buffer_.data() + used_; }
  size_t available() const { return got_ - used_; }
  void Use(size_t size) { used_ += size; }
  bool ended() const { return ended_; }

 private:
  std::unique_ptr<Input> inner_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  size_t got_ = 0;
  bool ended_ = false;
};

class GzipInput final : public Input {
 public:
  GzipInput(std::unique_ptr<Input> inner, std::string subject)
      : reader_(std::move(inner)), subject_(std::move(subject)) {
    // 15 + 32: a gzip or zlib header, detected.
    started_ = inflateInit2(&stream_, 15 + 32) == Z_OK;
  }
  ~GzipInput() override {
    if (started_) inflateEnd(&stream_);
  }
  Status Read(char* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (!started_) return Damaged(subject_, "zlib could not start");
    while (*got == 0 && !done_) {
      if (Status read = reader_.Refill(); !read.ok()) return read;
      if (reader_.ended() && reader_.available() == 0) {
        return Damaged(subject_, "the gzip stream is cut short");
      }
      stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(reader_.data()));
      stream_.avail_in = static_cast<uInt>(reader_.available());
      stream_.next_out = reinterpret_cast<Bytef*>(buffer);
      stream_.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
      const uInt before = stream_.avail_out;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      reader_.Use(reader_.available() - stream_.avail_in);
      *got = before - stream_.avail_out;
      if (result == Z_STREAM_END)
        done_ = true;
      else if (result != Z_OK && result != Z_BUF_ERROR) {
        return Damaged(subject_, "the gzip stream is damaged");
      }
    }
    return Status::Ok();
  }

 private:
  CompressedReader reader_;
  std::string subject_;
  z_stream stream_{};
  bool started_ = false;
  bool done_ = false;
};

class ZstdInput final : public Input {
 public:
  ZstdInput(std::unique_ptr<Input> inner, std::string subject)
      : reader_(std::move(inner)), subject_(std::move(subject)), context_(ZSTD_createDCtx()) {}
  ~ZstdInput() override { ZSTD_freeDCtx(context_); }
  Status Read(char* buffer, size_t size, size_t* got) override {
    *got = 0;
    if (context_ == nullptr) return Damaged(subject_, "no memory");
    while (*got == 0) {
      if (Status read = reader_.Refill(); !read.ok()) return read;
      if (reader_.ended() && reader_.available() == 0) {
        if (frameOpen_) return Damaged(subject_, "the zstd stream is cut short");
        return Status::Ok();
      }
      ZSTD_inBuffer input{reader_.data(), reader_.available(), 0};
      ZSTD_outBuffer output{buffer, size, 0};
      const size_t result = ZSTD_decompressStream(context_, &output, &input);
      if (ZSTD_isError(result)) {
        return Damaged(subject_,
                       std::string("the zstd stream is damaged: ") + ZSTD_getErrorName(result));
      }
      reader_.Use(input.pos);
      frameOpen_ = result != 0;
      *got = output.pos;
    }
    return Status::Ok();
  }

 private:
  CompressedReader reader_;
  std::string subject_;
  ZSTD_DCtx* context_;
  bool frameOpen_ = false;
};

}  // namespace

Compression CompressionOf(std::string_view name) {
  if (name.ends_with(".gz")) return Compression::kGzip;
  if (name.ends_with(".zst")) return Compression::kZstd;
  return Compression::kNone;
}

std::unique_ptr<Output> CompressingOutput(std::unique_ptr<Output> inner, Compression compression,
                                          std::string subject) {
  switch (compression) {
    case Compression::kGzip:
      return std::make_unique<GzipOutput>(std::move(inner), std::move(subject));
    case Compression::kZstd:
      return std::make_unique<ZstdOutput>(std::move(inner), std::move(subject));
    case Compression::kNone:
      break;
  }
  return inner;
}

std::unique_ptr<Input> DecompressingInput(std::unique_ptr<Input> inner, Compression compression,
                                          std::string subject) {
  switch (compression) {
    case Compression::kGzip:
      return std::make_unique<GzipInput>(std::move(inner), std::move(subject));
    case Compression::kZstd:
      return std::make_unique<ZstdInput>(std::move(inner), std::move(subject));
    case Compression::kNone:
      break;
  }
  return inner;
}

}  // namespace pelmora
