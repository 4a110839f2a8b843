// A new file that takes another's place: written under a name of its own (or, on Linux, under
// none) and moved over the file it replaces only when it is complete, so that a failure or a
// killed process leaves the earlier file as it was.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The absolute form of path, made against the current working directory now, so that a later
// change of directory leaves the file it names as it was. "" stays "".
std::string AbsolutePath(const std::string& path);

class ReplacementFile {
 public:
  enum class Plan {
    kReplace,  // a new file is made; write it at WritePath(), then Commit()
    kInPlace,  // write the output itself: a device, a FIFO with a reader, or a regular file
               // in a folder that takes no new file
    kRefused,  // a folder, "", a file this process may not write, a socket or a FIFO that
               // nobody reads
  };
  // How the new file is made: on Linux kUnnamed gives it no name until Commit() (where the file
  // system allows), so that a killed process leaves nothing; kNamed always names it, for
  // writers that must find the file beside it under its name.
  enum class Naming { kUnnamed, kNamed };

  ReplacementFile() = default;
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Decides how output is written and, for kReplace, makes the new file beside the file it
  // replaces (beside a symbolic link's target: the link stays). output should be absolute.
  Plan Prepare(const std::string& output, Naming naming = Naming::kUnnamed);

  // The name the writer opens: the new file for kReplace (a name in /proc for an unnamed file),
  // the output for kInPlace.
  const std::string& WritePath() const { return m_writePath; }

  // Moves the new file, once its writer has closed it, over the file it replaces, with the
  // replaced file's permissions (and owner and group where this process may set them). Only
  // the file that Prepare made is moved: false, with errno set, when another took its name.
  bool Commit();

 private:
  bool CreateBeside(Naming naming);
  void Discard() noexcept;

  std::string m_target;     // the file replaced: the output, or its links' final target
  std::string m_writePath;  // see WritePath()
  std::string m_tempPath;   // the new file's own name while it has one
#ifdef _WIN32
  void* m_handle = nullptr;  // the new file, held open to tell it from any other
#else
  bool m_keepsMode = false;  // a file was replaced, whose permissions the new one takes
  std::uint32_t m_mode = 0;
  std::uint64_t m_owner = 0;
  std::uint64_t m_group = 0;
  int m_fd = -1;  // the new file, held open to tell it from any other
  bool m_unnamed = false;
#endif
};

}  // namespace platform
