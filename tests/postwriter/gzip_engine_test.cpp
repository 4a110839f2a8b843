// Whatever deflate engine the build chose, GzipFile writes standard gzip files: zlib's inflate
// and the gzip tool decode them, the trailer holds the CRC-32 and length, and a file holds
// exactly the members its flushes asked for. The same holds for BufferedGzipStream, whose
// worker thread deflates and writes the buffers handed to it.
#include "gzip_file.h"
#include "gzip_stream.h"
#include "post_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace posttest {
namespace {

// Pseudo-random bytes (incompressible) or a repetitive record stream (compressible).
std::string Noise(std::size_t n, unsigned seed) {
  std::string out(n, '\0');
  for (char& c : out) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return out;
}

std::string Records(std::size_t n) {
  std::string out;
  out.reserve(n);
  for (std::uint32_t i = 0; out.size() < n; ++i) {
    const std::uint32_t words[4] = {i, i * 3u, 0x3f800000u + (i % 97u), 0x40000000u};
    out.append(reinterpret_cast<const char*>(words), sizeof words);
  }
  out.resize(n);
  return out;
}

// How many gzip members the compressed data holds; throws on anything but whole members.
int CountMembers(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::vector<unsigned char> sink(1 << 16);
  int members = 0;
  while (stream.avail_in > 0) {
    stream.next_out = sink.data();
    stream.avail_out = static_cast<uInt>(sink.size());
    int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      ++members;
      inflateReset(&stream);
    } else if (status != Z_OK) {
      inflateEnd(&stream);
      throw std::runtime_error("corrupt gzip member");
    }
  }
  inflateEnd(&stream);
  return members;
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The output of `gzip -dc path`, or a marker text when the tool fails.
std::string GzipToolDecode(const TempDir& dir, const std::string& path) {
  const std::string out = dir.File("tool.out");
  const std::string command = "gzip -dc '" + path + "' > '" + out + "'";
  if (std::system(command.c_str()) != 0) return "<gzip -d failed>";
  return ReadFileBytes(out);
}

// A single member whose header, trailer and body every decoder agrees on.
void ExpectSingleMember(const TempDir& dir, const std::string& path, const std::string& data) {
  const std::string file = ReadFileBytes(path);
  ASSERT_GE(file.size(), 18u);
  EXPECT_EQ("\x1f\x8b\x08", file.substr(0, 3));  // gzip magic, deflate
  EXPECT_EQ(1, CountMembers(file));
  const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()),
                         static_cast<uInt>(data.size()));
  EXPECT_EQ(crc, Le32(file, file.size() - 8));
  EXPECT_EQ(static_cast<std::uint32_t>(data.size()), Le32(file, file.size() - 4));
  EXPECT_TRUE(Gunzip(file) == data) << "zlib inflate differs";
  EXPECT_TRUE(GzipToolDecode(dir, path) == data) << "gzip -d differs";
}

TEST(GzipEngine, MegabytesInUnevenPiecesDecodeEverywhere) {
  TempDir dir;
  const std::string data = Noise(3 * 1024 * 1024 + 7, 11) + Records(5 * 1024 * 1024) +
                           Noise(100 * 1024, 5);
  const std::string path = dir.File("big.gz");
  GzipFile file;
  ASSERT_TRUE(file.open(path.c_str()));
  // Pieces from 1 byte to 1 MiB, with a full flush now and then, as the writer does.
  std::size_t at = 0;
  for (std::size_t step = 1; at < data.size(); step = step * 7 % (1024 * 1024) + 1) {
    std::size_t n = std::min(step, data.size() - at);
    ASSERT_EQ(n, file.write(data.data() + at, n));
    at += n;
    if (step % 5 == 0) {
      ASSERT_EQ(0, file.flush(GzipFile::FlushMode::kFull));
    }
  }
  ASSERT_EQ(0, file.close());
  ExpectSingleMember(dir, path, data);

  // One large write of compressible records: the file must be well under its input.
  const std::string records = Records(8 * 1024 * 1024);
  ASSERT_TRUE(file.open(path.c_str()));
  ASSERT_EQ(records.size(), file.write(records.data(), records.size()));
  ASSERT_EQ(0, file.close());
  EXPECT_LT(ReadFileBytes(path).size(), records.size() / 2);
  ExpectSingleMember(dir, path, records);
}

TEST(GzipEngine, EmptyAndFlushOnlyFilesAreValid) {
  TempDir dir;
  const std::string path = dir.File("empty.gz");
  GzipFile file;
  ASSERT_TRUE(file.open(path.c_str()));
  EXPECT_EQ(0, file.close());
  ExpectSingleMember(dir, path, "");

  ASSERT_TRUE(file.open(path.c_str()));
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFull));
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFull));
  EXPECT_EQ(0, file.close());
  ExpectSingleMember(dir, path, "");
}

// A finish ends the member; only more data starts another one.
TEST(GzipEngine, FinishStartsAMemberOnlyWhenMoreDataFollows) {
  TempDir dir;
  const std::string path = dir.File("m.gz");
  const std::string first = Records(300 * 1024);
  const std::string second = Noise(200 * 1024, 3);
  GzipFile file;
  ASSERT_TRUE(file.open(path.c_str()));
  file.write(first.data(), first.size());
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFinish));
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFinish));
  EXPECT_EQ(0, file.close());
  ExpectSingleMember(dir, path, first);

  ASSERT_TRUE(file.open(path.c_str()));
  file.write(first.data(), first.size());
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFinish));
  file.write(second.data(), second.size());
  EXPECT_EQ(0, file.flush(GzipFile::FlushMode::kFull));
  file.write("end", 3);
  EXPECT_EQ(0, file.close());
  const std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(2, CountMembers(bytes));
  EXPECT_TRUE(Gunzip(bytes) == first + second + "end");
  EXPECT_TRUE(GzipToolDecode(dir, path) == first + second + "end");
}

TEST(GzipEngine, FlushToAFullDeviceFailsAndStaysFailed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  GzipFile file;
  ASSERT_TRUE(file.open("/dev/full"));
  EXPECT_EQ(3u, file.write("abc", 3));
  EXPECT_LT(file.flush(GzipFile::FlushMode::kFull), 0);
  EXPECT_EQ(0u, file.write("def", 3));
  EXPECT_LT(file.close(), 0);

  ASSERT_TRUE(file.open("/dev/full"));
  file.write("abc", 3);
  EXPECT_LT(file.flush(GzipFile::FlushMode::kFinish), 0);
  EXPECT_LT(file.close(), 0);
}

// Everything decodable in a possibly unfinished gzip file: whole members and, of a member
// still open, what its last full flush made decodable. Throws on corrupt data.
std::string DecodePrefix(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string out;
  char chunk[64 * 1024];
  for (;;) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    const int status = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
    if (status == Z_STREAM_END && stream.avail_in > 0) {
      inflateReset(&stream);
    } else if (status == Z_STREAM_END || status == Z_BUF_ERROR ||
               (status == Z_OK && stream.avail_in == 0 && stream.avail_out > 0)) {
      break;
    } else if (status != Z_OK) {
      inflateEnd(&stream);
      throw std::runtime_error("corrupt gzip data");
    }
  }
  inflateEnd(&stream);
  return out;
}

// Writes data through every entry of the stream: 4-byte words, formatted pieces, small
// appends and appends larger than a buffer.
void FeedInPieces(BufferedGzipStream& stream, const std::string& data) {
  std::size_t at = 0;
  for (unsigned turn = 0; at < data.size(); ++turn) {
    const std::size_t left = data.size() - at;
    if (turn % 4 == 0 && left >= 4) {
      std::uint32_t word = 0;
      for (int i = 3; i >= 0; --i) word = word << 8 | static_cast<unsigned char>(data[at + i]);
      stream.AppendLE32(word);
      at += 4;
    } else if (turn % 4 == 1) {
      const std::size_t n = std::min<std::size_t>(left, 260);
      char* room = stream.Reserve(260);
      std::memcpy(room, data.data() + at, n);
      stream.Commit(n);
      at += n;
    } else {
      // Mostly small pieces, now and then one of up to 2.5 buffers.
      const std::size_t want = turn % 97 == 2 ? (turn * 7919) % (BufferedGzipStream::kCapacity * 5 / 2)
                                             : turn % 13 + 1;
      const std::size_t n = std::min(left, want);
      stream.Append(data.data() + at, n);
      at += n;
    }
  }
}

// Far more data than the worker's buffers hold, so the caller waits for free buffers again
// and again; the file is still one member that every decoder agrees on.
TEST(GzipStreamWorker, ManyBuffersDecodeEverywhere) {
  TempDir dir;
  const std::string data = Records(9 * 1024 * 1024) + Noise(4 * 1024 * 1024 + 3, 17) +
                           Records(3 * 1024 * 1024 + 1);
  const std::string path = dir.File("many.gz");
  BufferedGzipStream stream;
  ASSERT_TRUE(stream.Open(path.c_str()));
  FeedInPieces(stream, data);
  EXPECT_FALSE(stream.Failed());
  ASSERT_EQ(0, stream.Close());
  EXPECT_FALSE(stream.IsOpen());
  ExpectSingleMember(dir, path, data);

  // The same object opens again with a new worker; a failed open leaves it closed.
  EXPECT_FALSE(stream.Open(dir.File("missing/x.gz").c_str()));
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(0, stream.Close());
  const std::string small = Records(1000);
  ASSERT_TRUE(stream.Open(path.c_str()));
  stream.Append(small.data(), small.size());
  ASSERT_EQ(0, stream.Close());
  ExpectSingleMember(dir, path, small);
}

// When a flush returns, the file holds everything written before it, decodable, and
// nothing written after it; a finish in the middle begins a second member.
TEST(GzipStreamWorker, FlushesActInOrder) {
  TempDir dir;
  const std::string path = dir.File("flush.gz");
  BufferedGzipStream stream;
  ASSERT_TRUE(stream.Open(path.c_str()));
  std::string written;
  for (unsigned round = 0; round < 6; ++round) {
    // Rounds of a few buffers and of a few bytes, so flushes meet a full and an empty queue.
    const std::string piece = round % 2 == 0 ? Records((3 + round) * 1024 * 1024 + round)
                                             : Noise(round * 5, round);
    FeedInPieces(stream, piece);
    written += piece;
    const bool finish = round == 3;
    ASSERT_EQ(0, stream.Flush(finish ? GzipFile::FlushMode::kFinish : GzipFile::FlushMode::kFull));
    const std::string file = ReadFileBytes(path);
    ASSERT_TRUE(DecodePrefix(file) == written) << "after flush " << round;
    if (finish) {
      EXPECT_EQ(1, CountMembers(file));
    }
  }
  stream.Append("tail", 4);
  written += "tail";
  ASSERT_EQ(0, stream.Close());
  const std::string file = ReadFileBytes(path);
  EXPECT_EQ(2, CountMembers(file));
  EXPECT_TRUE(Gunzip(file) == written);
  EXPECT_TRUE(GzipToolDecode(dir, path) == written);
}

// The worker's failures reach the caller: at the flush, at a later hand-over, and at the
// close, which never reports success after one.
TEST(GzipStreamWorker, FullDeviceFailsAtFlushDrainAndClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  BufferedGzipStream stream;
  ASSERT_TRUE(stream.Open("/dev/full"));
  stream.Append("abc", 3);
  EXPECT_LT(stream.Flush(GzipFile::FlushMode::kFull), 0);
  EXPECT_TRUE(stream.Failed());
  EXPECT_FALSE(stream.Drain());
  EXPECT_LT(stream.Flush(GzipFile::FlushMode::kFinish), 0);
  EXPECT_LT(stream.Close(), 0);
  EXPECT_FALSE(stream.Failed());

  // Without flushes: incompressible data makes the worker write, and fail, long before the
  // caller has handed over kBuffers more buffers, so the caller sees it while appending.
  const std::string noise = Noise(BufferedGzipStream::kCapacity, 9);
  ASSERT_TRUE(stream.Open("/dev/full"));
  bool seen = false;
  for (int i = 0; i < 4 * BufferedGzipStream::kBuffers && !seen; ++i) {
    stream.Append(noise.data(), noise.size());
    seen = !stream.Drain();
  }
  EXPECT_TRUE(seen);
  EXPECT_TRUE(stream.Failed());
  EXPECT_LT(stream.Close(), 0);

  // Only a small write, failing at the close's own finish.
  ASSERT_TRUE(stream.Open("/dev/full"));
  stream.AppendLE32(7);
  EXPECT_LT(stream.Close(), 0);
}

// Destroying an open stream hands over what is collected, finishes the file and joins the
// worker, with buffers still queued and on a failing device alike.
TEST(GzipStreamWorker, DestroyingAnOpenStreamFinishesTheFile) {
  TempDir dir;
  const std::string path = dir.File("dropped.gz");
  const std::string data = Records(6 * 1024 * 1024 + 10);
  {
    BufferedGzipStream stream;
    ASSERT_TRUE(stream.Open(path.c_str()));
    stream.Append(data.data(), data.size());
  }
  ExpectSingleMember(dir, path, data);
  if (std::filesystem::exists("/dev/full")) {
    BufferedGzipStream stream;
    ASSERT_TRUE(stream.Open("/dev/full"));
    stream.Append(data.data(), data.size());
  }
}

}  // namespace
}  // namespace posttest
