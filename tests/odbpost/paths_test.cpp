// The path rules of the command: the upgraded copy's name, and the outputs refused because
// they would write a database's files or never open.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "paths.h"
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
  const testplatform::ScratchDir scratch("odbpost-paths-");
  const std::string& d = scratch.path();
  const std::string db = d + "/a.odb";
  std::ofstream(db).close();
  ASSERT_TRUE(std::filesystem::exists(db));
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
}

#ifndef _WIN32
// The same through symbolic links, dangling ones too; FIFOs and sockets never open.
TEST(Paths, OutputsThroughLinksAndSpecialFiles) {
  const testplatform::ScratchDir scratch("odbpost-paths-");
  const std::string& d = scratch.path();
  const std::string db = d + "/a.odb";
  std::ofstream(db).close();
  ASSERT_TRUE(std::filesystem::exists(db));
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
}
#endif

}  // namespace
