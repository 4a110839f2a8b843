// File-system calls with UTF-8 paths: the names reach the system unchanged (checked through
// std::filesystem, which takes the path as UTF-8 by u8path), and the POSIX rules hold on
// Windows too: a rename replaces its destination, distinct files are never the same file.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "file_system.h"
#include "test_platform.h"

namespace {

namespace fs = std::filesystem;

class FileSystem : public ::testing::Test {
 protected:
  // A file written through std::filesystem under a UTF-8 name.
  std::string Make(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir + "/" + name;
    std::ofstream(fs::u8path(path), std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  const testplatform::ScratchDir m_scratch{"platform-"};
  const std::string m_dir = m_scratch.path();
};

// "Ωmega-résumé" and "naïve-файл.odb" in UTF-8: outside every single-byte code page at once.
const std::string kFolder = "\xCE\xA9mega-r\xC3\xA9sum\xC3\xA9";
const std::string kFile = "na\xC3\xAFve-\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.odb";

TEST_F(FileSystem, NonAsciiNamesAreCreatedReadAndRemovedUnderTheirOwnName) {
  fs::create_directory(fs::u8path(m_dir + "/" + kFolder));
  const std::string path = m_dir + "/" + kFolder + "/" + kFile;

  std::FILE* file = platform::OpenFile(path, "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite("a\nb", 1, 3, file), 3u);
  ASSERT_EQ(std::fclose(file), 0);
  EXPECT_EQ(Read(path), "a\nb");  // binary mode: no carriage return added on Windows

  platform::FileKind kind = platform::FileKind::kOther;
  ASSERT_TRUE(platform::KindOfFile(path, &kind));
  EXPECT_EQ(kind, platform::FileKind::kRegular);
  ASSERT_TRUE(platform::KindOfFile(m_dir + "/" + kFolder, &kind));
  EXPECT_EQ(kind, platform::FileKind::kDirectory);
  EXPECT_TRUE(platform::IsReadable(path));

  std::FILE* reopened = platform::OpenFile(path, "rb");
  ASSERT_NE(reopened, nullptr);
  char bytes[4] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, reopened), 3u);
  std::fclose(reopened);
  EXPECT_EQ(std::string(bytes), "a\nb");

  EXPECT_TRUE(platform::RemoveFile(path));
  EXPECT_FALSE(fs::exists(fs::u8path(path)));
}

TEST_F(FileSystem, MissingFilesAreReportedAsMissing) {
  const std::string missing = m_dir + "/" + kFile;
  platform::FileKind kind;
  errno = 0;
  EXPECT_FALSE(platform::KindOfFile(missing, &kind));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(platform::IsReadable(missing));
  EXPECT_FALSE(platform::RemoveFile(missing));
  EXPECT_EQ(platform::OpenFile(missing, "rb"), nullptr);
  EXPECT_FALSE(platform::RenameReplacing(missing, m_dir + "/elsewhere"));
}

TEST_F(FileSystem, RenameReplacingReplacesAnExistingDestination) {
  const std::string from = Make(kFile, "new");
  const std::string to = Make("beam_upgraded.odb", "old");
  ASSERT_TRUE(platform::RenameReplacing(from, to));
  EXPECT_EQ(Read(to), "new");
  EXPECT_FALSE(fs::exists(fs::u8path(from)));
}

TEST_F(FileSystem, SameFileTellsDistinctFilesApart) {
  const std::string first = Make(kFile, "same bytes");
  const std::string second = Make("other.odb", "same bytes");
  EXPECT_TRUE(platform::SameFile(first, first));
  EXPECT_TRUE(platform::SameFile(first, m_dir + "/./" + kFile));
  EXPECT_FALSE(platform::SameFile(first, second));
  EXPECT_FALSE(platform::SameFile(first, m_dir));
  EXPECT_FALSE(platform::SameFile(m_dir + "/missing", m_dir + "/missing"));
}

}  // namespace
