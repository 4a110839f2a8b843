// Whatever deflate engine the build chose, GzipFile writes standard gzip files: zlib's inflate
// and the gzip tool decode them, the trailer holds the CRC-32 and length, and a file holds
// exactly the members its flushes asked for.
#include "gzip_file.h"
#include "little_endian.h"
#include "post_interface.h"
#include "post_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>
#ifdef ODBPOST_TEST_ENGINE_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include <cstdint>
#include <cstdlib>
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

// The 10-byte header of every gzip member the compressed data holds, in order; throws on
// anything but whole members.
std::vector<std::string> MemberHeaders(const std::string& compressed) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::vector<unsigned char> sink(1 << 16);
  std::vector<std::string> headers;
  std::size_t memberStart = 0;
  while (stream.avail_in > 0) {
    stream.next_out = sink.data();
    stream.avail_out = static_cast<uInt>(sink.size());
    int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      headers.push_back(compressed.substr(memberStart, 10));
      memberStart = compressed.size() - stream.avail_in;
      inflateReset(&stream);
    } else if (status != Z_OK) {
      inflateEnd(&stream);
      throw std::runtime_error("corrupt gzip member");
    }
  }
  inflateEnd(&stream);
  return headers;
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return LoadLittleEndian32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
}

#ifndef _WIN32
// The output of `gzip -dc path`, or a marker text when the tool fails.
std::string GzipToolDecode(const ScratchDir& dir, const std::string& path) {
  const std::string out = dir.file("tool.out");
  const std::string command = "gzip -dc '" + path + "' > '" + out + "'";
  if (std::system(command.c_str()) != 0) return "<gzip -d failed>";
  return ReadFileBytes(out);
}
#endif

// A single member whose header, trailer and body every decoder agrees on.
void ExpectSingleMember(const ScratchDir& dir, const std::string& path, const std::string& data) {
  const std::string file = ReadFileBytes(path);
  ASSERT_GE(file.size(), 18u);
  EXPECT_EQ("\x1f\x8b\x08", file.substr(0, 3));  // gzip magic, deflate
  EXPECT_EQ(1, GzipMemberCount(file));
  const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()),
                         static_cast<uInt>(data.size()));
  EXPECT_EQ(crc, Le32(file, file.size() - 8));
  EXPECT_EQ(static_cast<std::uint32_t>(data.size()), Le32(file, file.size() - 4));
  EXPECT_TRUE(Gunzip(file) == data) << "zlib inflate differs";
#ifndef _WIN32
  // Windows has no gzip tool; the same bytes are checked by it in the native build.
  EXPECT_TRUE(GzipToolDecode(dir, path) == data) << "gzip -d differs";
#else
  (void)dir;
#endif
}

TEST(GzipEngine, MegabytesInUnevenPiecesDecodeEverywhere) {
  ScratchDir dir;
  const std::string data = Noise(3 * 1024 * 1024 + 7, 11) + Records(5 * 1024 * 1024) +
                           Noise(100 * 1024, 5);
  const std::string path = dir.file("big.gz");
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
  ScratchDir dir;
  const std::string path = dir.file("empty.gz");
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
  ScratchDir dir;
  const std::string path = dir.file("m.gz");
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
  EXPECT_EQ(2, GzipMemberCount(bytes));
  EXPECT_TRUE(Gunzip(bytes) == first + second + "end");
#ifndef _WIN32
  EXPECT_TRUE(GzipToolDecode(dir, path) == first + second + "end");
#endif
}

// Every member begins with the header zlib's gzopen writes at level 1 (no name, no
// modification time, extra flags 4, system 3 on Unix and 10 on Windows), whichever engine the
// build uses.
TEST(GzipEngine, MemberHeadersAreTheOnesGzopenWrites) {
  ScratchDir dir;
  const std::string first = Records(100 * 1024);
  const std::string second = Noise(1000, 7);

  const std::string ours = dir.file("ours.gz");
  GzipFile file;
  ASSERT_TRUE(file.open(ours.c_str()));
  file.write(first.data(), first.size());
  ASSERT_EQ(0, file.flush(GzipFile::FlushMode::kFinish));
  file.write(second.data(), second.size());
  ASSERT_EQ(0, file.close());

  const std::string theirs = dir.file("zlib.gz");
  gzFile handle = gzopen(theirs.c_str(), "wb1");
  ASSERT_NE(nullptr, handle);
  gzwrite(handle, first.data(), static_cast<unsigned>(first.size()));
  ASSERT_EQ(Z_OK, gzflush(handle, Z_FINISH));
  gzwrite(handle, second.data(), static_cast<unsigned>(second.size()));
  ASSERT_EQ(Z_OK, gzclose(handle));

#ifdef _WIN32
  const std::string header("\x1f\x8b\x08\x00\x00\x00\x00\x00\x04\x0a", 10);
#else
  const std::string header("\x1f\x8b\x08\x00\x00\x00\x00\x00\x04\x03", 10);
#endif
  const std::vector<std::string> expected{header, header};
  EXPECT_EQ(expected, MemberHeaders(ReadFileBytes(theirs)));
  EXPECT_EQ(expected, MemberHeaders(ReadFileBytes(ours)));
  EXPECT_TRUE(Gunzip(ReadFileBytes(ours)) == first + second);

  // Both compressed variants of the results file.
  for (int mode : {MODE_COMPRESSED_TEXT, MODE_BINARY}) {
    const std::string results = dir.file("results" + std::to_string(mode));
    ASSERT_EQ(0, PostOpenResultFile(results.c_str(), mode));
    ASSERT_EQ(0, PostCloseResultFile());
    EXPECT_EQ(std::vector<std::string>{header}, MemberHeaders(ReadFileBytes(results))) << mode;
  }
}

#ifdef ODBPOST_TEST_ENGINE_ISAL
// The ISA-L engine deflates at level 1: after the 10-byte header, its member is byte for
// byte what isal_deflate gives at level 1 for the same data in one call (the header, written
// by the engine itself, does not show the level).
TEST(GzipEngine, IsalEngineDeflatesAtLevel1) {
  ScratchDir dir;
  const std::string data = Records(1024 * 1024) + Noise(64 * 1024, 7) + Records(300 * 1024);
  const std::string path = dir.file("engine.gz");
  GzipFile file;
  ASSERT_TRUE(file.open(path.c_str()));
  ASSERT_EQ(data.size(), file.write(data.data(), data.size()));
  ASSERT_EQ(0, file.close());

  std::vector<std::uint8_t> levelBuffer(ISAL_DEF_LVL1_DEFAULT);
  std::vector<std::uint8_t> out(data.size() + 64 * 1024);
  isal_zstream stream;
  isal_deflate_init(&stream);
  stream.level = 1;
  stream.level_buf = levelBuffer.data();
  stream.level_buf_size = static_cast<std::uint32_t>(levelBuffer.size());
  stream.gzip_flag = IGZIP_GZIP_NO_HDR;
  stream.end_of_stream = 1;
  stream.flush = NO_FLUSH;
  stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<std::uint32_t>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<std::uint32_t>(out.size());
  ASSERT_EQ(COMP_OK, isal_deflate(&stream));
  ASSERT_EQ(ZSTATE_END, stream.internal_state.state);
  const std::string reference(reinterpret_cast<const char*>(out.data()), stream.total_out);

  const std::string bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 10u);
  EXPECT_EQ(reference.size(), bytes.size() - 10);
  EXPECT_TRUE(bytes.substr(10) == reference) << "the engine's deflate data differs from level 1's";
}
#endif

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

}  // namespace
}  // namespace posttest
