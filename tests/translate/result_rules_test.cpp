#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "component_rows.h"
#include "gauss_point_results.h"
#include "paths.h"
#include "post_types.h"
#include "field_types.h"
#include "test_platform.h"

namespace {

#ifdef _WIN32
// The path as Windows itself spells it, with backslashes.
std::string Backslashed(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
#endif

TEST(ResultTypes, DataTypeTable) {
  const int expected[13] = {0, 0, 0, 1, 2, 2, 2, 2, 3, 2, -1, -1, -1};
  for (int code = 0; code < 13; ++code) EXPECT_EQ(expected[code], ResultTypeOfDataType(code));
  EXPECT_EQ(-1, ResultTypeOfDataType(13));
  EXPECT_EQ(-1, ResultTypeOfDataType(-1));
}

TEST(ResultTypes, RowWidthDecidesTheWrittenType) {
  EXPECT_EQ(RESULT_SCALAR, ResultTypeOfWidth(1));
  EXPECT_EQ(RESULT_VECTOR, ResultTypeOfWidth(2));
  EXPECT_EQ(RESULT_VECTOR, ResultTypeOfWidth(3));
  EXPECT_EQ(RESULT_PLAIN_DEFORMATION_MATRIX, ResultTypeOfWidth(4));
  EXPECT_EQ(RESULT_MATRIX, ResultTypeOfWidth(6));
  for (int width : {0, 5, 7, 9, -1}) EXPECT_EQ(-1, ResultTypeOfWidth(width)) << width;
}

TEST(GaussPoints, ExpectedCounts) {
  EXPECT_EQ(1, ExpectedGaussPointCount(GEOMETRY_POINT));
  EXPECT_EQ(2, ExpectedGaussPointCount(GEOMETRY_LINEAR));
  EXPECT_EQ(3, ExpectedGaussPointCount(GEOMETRY_TRIANGLE));
  EXPECT_EQ(4, ExpectedGaussPointCount(GEOMETRY_QUADRILATERAL));
  EXPECT_EQ(4, ExpectedGaussPointCount(GEOMETRY_TETRAHEDRA));
  EXPECT_EQ(8, ExpectedGaussPointCount(GEOMETRY_HEXAHEDRA));
  EXPECT_EQ(-1, ExpectedGaussPointCount(GEOMETRY_NONE));
  EXPECT_EQ(-1, ExpectedGaussPointCount(7));
}

TEST(GaussPoints, SetNamesMatchIgnoringCaseAndGrowByDoubling) {
  GaussPointSetNames names;
  EXPECT_EQ(10000, names.capacity());
  const char* stored = names.Append("Part-1 C3D8 GP=8");
  EXPECT_EQ(stored, names.Find("PART-1 c3d8 gp=8"));
  EXPECT_EQ(nullptr, names.Find("Part-1 C3D8 GP=1"));
  for (int i = 1; i <= 10000; ++i) names.Append(("set " + std::to_string(i)).c_str());
  EXPECT_EQ(10001, names.count());
  EXPECT_EQ(20000, names.capacity());
  // Texts handed out before the growth stay valid.
  EXPECT_STREQ("Part-1 C3D8 GP=8", stored);
  EXPECT_NE(nullptr, names.Find("SET 10000"));
}

TEST(Paths, UpgradedNameStaysInTheInputsFolder) {
  EXPECT_EQ("D:\\runs\\beam_upgraded.odb", UpgradedName("D:\\runs\\beam.odb"));
  EXPECT_EQ("/data/beam_upgraded.odb", UpgradedName("/data/beam"));
  EXPECT_EQ("run.v2_upgraded.odb", UpgradedName("run.v2.odb"));
  // A '.' in a folder name, or one that starts the file name, is no extension.
  EXPECT_EQ("my.results/beam_upgraded.odb", UpgradedName("my.results/beam"));
  EXPECT_EQ("./beam_upgraded.odb", UpgradedName("./beam"));
  EXPECT_EQ("runs/../runs/beam_upgraded.odb", UpgradedName("runs/../runs/beam"));
  EXPECT_EQ("runs/.beam_upgraded.odb", UpgradedName("runs/.beam"));
#ifdef _WIN32
  EXPECT_EQ("D:\\jobs.old\\beam_upgraded.odb", UpgradedName("D:\\jobs.old\\beam"));
  EXPECT_EQ("D:\\jobs.old/beam_upgraded.odb", UpgradedName("D:\\jobs.old/beam"));
#else
  // A backslash is part of a POSIX file name.
  EXPECT_EQ("D:\\jobs_upgraded.odb", UpgradedName("D:\\jobs.old\\beam"));
#endif
}

// An output may not land on the database, its journal, write-ahead log or shared-memory
// file, existing or not, through any spelling.
TEST(Paths, OutputsThatWouldWriteDatabaseFiles) {
  const std::string d = testplatform::MakeScratchDir("odbpost-paths-");
  const std::string db = d + "/a.odb";
  std::FILE* f = std::fopen(db.c_str(), "w");
  ASSERT_NE(nullptr, f);
  std::fclose(f);
  std::filesystem::create_directory(d + "/sub");

  EXPECT_TRUE(WritesDatabaseFiles(db, db));
  EXPECT_TRUE(WritesDatabaseFiles(d + "/a.odb-journal", db));
  EXPECT_TRUE(WritesDatabaseFiles(d + "/sub/../a.odb-wal", db));
  EXPECT_FALSE(WritesDatabaseFiles(d + "/a.odb-journalx", db));
  EXPECT_FALSE(WritesDatabaseFiles(d + "/sub/a.odb-journal", db));
  EXPECT_FALSE(WritesDatabaseFiles(d + "/no-folder/a.odb-journal", d + "/no-folder/a.odb"));
  EXPECT_FALSE(WritesCompanionFiles(db, db));
  EXPECT_TRUE(WritesCompanionFiles(d + "/a.odb-wal", db));
  EXPECT_TRUE(IsWritableOutput(db, d + "/b.odb"));
  EXPECT_FALSE(IsWritableOutput(db, d + "/a_upgraded.odb-journal"));
  EXPECT_FALSE(IsWritableOutput(db, std::string("b.odb\0x", 7)));
#ifdef _WIN32
  // Backslashes, and names that differ in case only, which Windows takes as one.
  EXPECT_TRUE(WritesDatabaseFiles(Backslashed(d + "/sub/../a.odb-shm"), db));
  EXPECT_TRUE(WritesDatabaseFiles(d + "/A.ODB-WAL", Backslashed(db)));
  EXPECT_FALSE(WritesDatabaseFiles(Backslashed(d + "/sub/a.odb-wal"), db));
  EXPECT_FALSE(IsWritableOutput(db, "\\\\.\\pipe\\odbpost"));
  EXPECT_FALSE(IsWritableOutput(db, "//./PIPE/odbpost"));
#endif
  testplatform::RemoveTree(d);
}

#ifndef _WIN32
// The same through symbolic links, dangling ones too; FIFOs and sockets never open.
TEST(Paths, OutputsThroughLinksAndSpecialFiles) {
  const std::string d = testplatform::MakeScratchDir("odbpost-paths-");
  const std::string db = d + "/a.odb";
  std::FILE* f = std::fopen(db.c_str(), "w");
  ASSERT_NE(nullptr, f);
  std::fclose(f);
  ASSERT_EQ(0, mkdir((d + "/sub").c_str(), 0755));
  ASSERT_EQ(0, symlink("../a.odb", (d + "/sub/link.odb").c_str()));
  ASSERT_EQ(0, symlink("a.odb-shm", (d + "/dangling").c_str()));
  ASSERT_EQ(0, mkfifo((d + "/fifo").c_str(), 0600));
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s/sock", d.c_str());
  ASSERT_EQ(0, bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address));

  EXPECT_TRUE(WritesDatabaseFiles(d + "/dangling", db));
  EXPECT_TRUE(WritesDatabaseFiles(d + "/sub/link.odb-journal", d + "/sub/link.odb"));
  EXPECT_TRUE(WritesDatabaseFiles(d + "/a.odb-shm", d + "/sub/link.odb"));

  EXPECT_FALSE(IsWritableOutput(db, d + "/fifo"));
  EXPECT_FALSE(IsWritableOutput(db, d + "/sock"));
  EXPECT_TRUE(IsWritableOutput(db, "/dev/null"));
  close(sock);
  testplatform::RemoveTree(d);
}
#endif

}  // namespace
