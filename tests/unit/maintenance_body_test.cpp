#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "maintenance/body_source.h"

namespace scanvale {
namespace {

std::string ReadAll(BodySource& body, std::size_t piece, long* last = nullptr) {
  std::string out;
  std::string buffer(piece, '\0');
  for (;;) {
    const long n = body.Read(buffer.data(), piece);
    if (last) *last = n;
    if (n <= 0) return out;
    out.append(buffer.data(), static_cast<std::size_t>(n));
  }
}

class TempFile {
 public:
  explicit TempFile(const std::string& content) {
    char name[] = "/tmp/scanvale_body_XXXXXX";
    const int fd = mkstemp(name);
    path_ = name;
    if (fd >= 0) close(fd);
    std::ofstream(path_, std::ios::binary) << content;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(BodySource, SegmentsStreamInOrderWhateverThePieceSize) {
  std::string firmware;
  for (int i = 0; i < 5000; ++i) firmware.push_back(static_cast<char>(i * 7));
  TempFile file(firmware);
  for (std::size_t piece : {1u, 7u, 1024u, 9000u}) {
    SegmentedBody body;
    body.AddBytes("--head\r\n");
    ASSERT_EQ(body.AddFile(file.path()), 0);
    body.AddBytes("\r\n--tail--\r\n");
    EXPECT_EQ(body.Size(), 8 + firmware.size() + 12);
    EXPECT_EQ(ReadAll(body, piece), "--head\r\n" + firmware + "\r\n--tail--\r\n") << piece;
  }
  BytesBody bytes("abc");
  EXPECT_EQ(ReadAll(bytes, 2), "abc");
}

TEST(BodySource, AFileThatCannotKeepItsSizeFails) {
  SegmentedBody missing;
  EXPECT_EQ(missing.AddFile("/nonexistent/scanvale/firmware.bin"), -1);
  EXPECT_EQ(missing.AddFile("/tmp"), -1);  // not a regular file

  TempFile file(std::string(3000, 'f'));
  SegmentedBody body;
  ASSERT_EQ(body.AddFile(file.path()), 0);
  ASSERT_EQ(truncate(file.path().c_str(), 1000), 0);  // shrinks after its size was taken
  long last = 0;
  EXPECT_EQ(ReadAll(body, 512, &last).size(), 1000u);
  EXPECT_EQ(last, -1);
}

}  // namespace
}  // namespace scanvale
