#include "maintenance/body_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace scanvale {

long BytesBody::Read(char* out, std::size_t capacity) {
  const std::size_t n = std::min(capacity, bytes_.size() - offset_);
  std::memcpy(out, bytes_.data() + offset_, n);
  offset_ += n;
  return static_cast<long>(n);
}

struct SegmentedBody::Segment {
  std::string bytes;                // a text piece, or
  std::FILE* file = nullptr;        // a file piece of `size` bytes
  std::uint64_t size = 0;
  std::uint64_t done = 0;

  ~Segment() {
    if (file) std::fclose(file);
  }
};

SegmentedBody::SegmentedBody() = default;
SegmentedBody::~SegmentedBody() = default;

void SegmentedBody::AddBytes(std::string bytes) {
  auto segment = std::make_unique<Segment>();
  segment->size = bytes.size();
  segment->bytes = std::move(bytes);
  size_ += segment->size;
  segments_.push_back(std::move(segment));
}

int SegmentedBody::AddFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rbe");
  if (!file) return -1;
  struct stat info{};
  if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    std::fclose(file);
    return -1;
  }
  auto segment = std::make_unique<Segment>();
  segment->file = file;
  segment->size = static_cast<std::uint64_t>(info.st_size);
  size_ += segment->size;
  segments_.push_back(std::move(segment));
  return 0;
}

long SegmentedBody::Read(char* out, std::size_t capacity) {
  std::size_t filled = 0;
  while (filled < capacity && current_ < segments_.size()) {
    Segment& s = *segments_[current_];
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(capacity - filled, s.size - s.done));
    if (want == 0) {
      ++current_;
      continue;
    }
    std::size_t got;
    if (s.file) {
      got = std::fread(out + filled, 1, want, s.file);
      // The file shrank or broke under us: hand out what came, fail on the next call.
      if (got == 0) return filled > 0 ? static_cast<long>(filled) : -1;
    } else {
      std::memcpy(out + filled, s.bytes.data() + s.done, want);
      got = want;
    }
    s.done += got;
    filled += got;
  }
  return static_cast<long>(filled);
}

}  // namespace scanvale
