#pragma once
// The bytes an exchange sends after its request text (an upload's multipart body), handed
// out in pieces so that a firmware file is streamed from disk and never held in memory.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scanvale {

class BodySource {
 public:
  virtual ~BodySource() = default;
  // The total number of bytes; fixed before the first Read (it goes into Content-Length).
  virtual std::uint64_t Size() const = 0;
  // Copies the next bytes, at most `capacity`, into `out`. Returns the count, 0 at the end,
  // -1 when the bytes cannot be had (a file that can no longer be read).
  virtual long Read(char* out, std::size_t capacity) = 0;
};

// Bytes held by the caller; they must outlive the exchange.
class BytesBody final : public BodySource {
 public:
  explicit BytesBody(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  long Read(char* out, std::size_t capacity) override;

 private:
  std::string_view bytes_;
  std::size_t offset_ = 0;
};

// A body made of pieces in order: texts it keeps, and files it reads as it goes, e.g. the
// multipart head, the firmware file, the closing boundary.
class SegmentedBody final : public BodySource {
 public:
  SegmentedBody();
  ~SegmentedBody() override;
  SegmentedBody(const SegmentedBody&) = delete;
  SegmentedBody& operator=(const SegmentedBody&) = delete;

  void AddBytes(std::string bytes);
  // Opens `path` and takes its present size. 0, or -1 when it cannot be opened or sized.
  int AddFile(const std::string& path);

  std::uint64_t Size() const override { return size_; }
  // A file that ends early or fails to read gives -1: the declared size can no longer be kept.
  long Read(char* out, std::size_t capacity) override;

 private:
  struct Segment;
  std::vector<std::unique_ptr<Segment>> segments_;
  std::size_t current_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace scanvale
