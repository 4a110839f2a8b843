// The gzip handle and the buffered stream over it.
#include "gzip_file.h"
#include "gzip_stream.h"
#include "post_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace posttest {
namespace {

TEST(GzipFile, WritesAGzipMemberAndClosesOnce) {
  ScratchDir dir;
  const std::string path = dir.file("a.gz");
  GzipFile file;
  EXPECT_FALSE(file.is_open());
  ASSERT_TRUE(file.open(path.c_str()));
  EXPECT_EQ(5u, file.write("hello", 5));
  EXPECT_EQ(0u, file.write("", 0));
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFull));
  // A second writer of the open file is refused and leaves what was written so far.
  const std::string flushed = ReadFileBytes(path);
  GzipFile second;
  EXPECT_FALSE(second.open(path.c_str()));
  EXPECT_EQ(flushed, ReadFileBytes(path));
  EXPECT_EQ(6u, file.write(" world", 6));
  EXPECT_EQ(0, file.close());
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(0, file.close());
  EXPECT_EQ(0u, file.write("x", 1));
  EXPECT_NE(0, file.flush(GzipFile::FlushMode::kFull));
  EXPECT_EQ("hello world", GunzipFile(path));
  EXPECT_EQ('\x1f', ReadFileBytes(path)[0]);
}

// Finishing the stream early starts a second member; readers see one text.
TEST(GzipFile, FinishFlushKeepsTheStreamReadable) {
  ScratchDir dir;
  const std::string path = dir.file("a.gz");
  GzipFile file;
  ASSERT_TRUE(file.open(path.c_str()));
  file.write("one", 3);
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFinish));
  file.write("two", 3);
  EXPECT_EQ(0, file.close());
  EXPECT_EQ("onetwo", GunzipFile(path));
}

TEST(GzipFile, MoveTransfersTheStream) {
  ScratchDir dir;
  GzipFile first;
  ASSERT_TRUE(first.open(dir.file("1.gz").c_str()));
  first.write("1", 1);
  GzipFile moved(std::move(first));
  EXPECT_FALSE(first.is_open());  // NOLINT(bugprone-use-after-move): moved-from state is defined
  EXPECT_EQ(0u, first.write("x", 1));
  EXPECT_TRUE(moved.is_open());

  GzipFile second;
  ASSERT_TRUE(second.open(dir.file("2.gz").c_str()));
  second.write("2", 1);
  second = std::move(moved);  // closes 2.gz first
  EXPECT_EQ("2", GunzipFile(dir.file("2.gz")));
  second.write("1", 1);
  EXPECT_EQ(0, second.close());
  EXPECT_EQ("11", GunzipFile(dir.file("1.gz")));
}

TEST(GzipFile, OpenFailsForAMissingDirectory) {
  ScratchDir dir;
  GzipFile file;
  EXPECT_FALSE(file.open(dir.file("missing/a.gz").c_str()));
  EXPECT_FALSE(file.open(nullptr));
  EXPECT_FALSE(file.is_open());
}

TEST(GzipFile, FullDeviceGivesAFailedClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  GzipFile small;
  ASSERT_TRUE(small.open("/dev/full"));
  small.write("abc", 3);
  EXPECT_LT(small.close(), 0);

  // Enough incompressible data that zlib writes to the device before the close.
  std::string noise(4 * 1024 * 1024, '\0');
  unsigned seed = 1;
  for (char& c : noise) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  GzipFile large;
  ASSERT_TRUE(large.open("/dev/full"));
  EXPECT_LT(large.write(noise.data(), noise.size()), noise.size());
  EXPECT_LT(large.close(), 0);
}

TEST(BufferedGzipStream, CollectsWritesInOrder) {
  ScratchDir dir;
  const std::string path = dir.file("s.gz");
  BufferedGzipStream stream;
  ASSERT_TRUE(stream.Open(path.c_str()));
  stream.AppendLE32(0x04030201u);
  char* room = stream.Reserve(8);
  room[0] = 'x';
  stream.Commit(1);
  stream.Append("yz", 2);
  EXPECT_TRUE(stream.Drain());
  EXPECT_EQ(0, stream.Close());
  EXPECT_EQ(std::string("\x01\x02\x03\x04xyz", 7), GunzipFile(path));
}

}  // namespace
}  // namespace posttest
