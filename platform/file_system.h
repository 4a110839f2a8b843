// The file-system calls of the extension, its stand-in and its tools, with paths in UTF-8 on
// every system. On Windows the paths are converted to UTF-16 and the wide API is used, so a
// path with characters outside the ANSI code page names the same file there as here; on
// POSIX systems they are handed to the C library as they are.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// fopen of a UTF-8 path (mode as fopen's; use "b" for byte-exact files on every system).
std::FILE* OpenFile(const std::string& path, const char* mode);

// True when something (a file, a folder, anything) exists at path.
bool Exists(const std::string& path);

// Deletes a file; false when it could not (errno tells why).
bool RemoveFile(const std::string& path);

// Renames from to to, replacing a file already at to (as POSIX rename does; Windows' own
// rename refuses an existing destination). False on failure, with errno set.
bool RenameReplacing(const std::string& from, const std::string& to);

enum class FileKind { kRegular, kDirectory, kOther };

// The kind of file at path; false when it cannot be found or examined (errno tells why,
// ENOENT or ENOTDIR when it does not exist).
bool KindOfFile(const std::string& path, FileKind* kind);

// The size in bytes of the file at path; false when it cannot be examined (errno tells why).
bool SizeOfFile(const std::string& path, std::uint64_t* size);

// True when the file at path can be opened for reading by this process.
bool IsReadable(const std::string& path);

// What tells a file (or folder) apart from every other: the device and inode on POSIX
// systems, the volume serial number and file index on Windows (which has no inodes).
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileId& other) const { return volume == other.volume && index == other.index; }
};

// The identity of the existing file at path (links followed); false when there is none.
bool IdentityOf(const std::string& path, FileId* id);

// True when both paths exist and name the same file, through any spelling or link.
bool SameFile(const std::string& a, const std::string& b);

// True when the path names a socket or a FIFO that no process reads (on Windows, any named
// pipe): opening one for writing fails, or waits for a reader for ever. A FIFO with a reader
// is written like a device.
bool IsPipeOrSocket(const std::string& path);

// What stands at path itself, a final symbolic link not followed: nothing, a symbolic link
// (its target, as stored in it, in *target), or anything else, a link whose target cannot be
// read among them. Always kNothing on Windows, whose links need a privilege to make: paths
// are taken there as what they name.
enum class EntryKind { kNothing, kSymbolicLink, kOther };
EntryKind EntryAt(const std::string& path, std::string* target);

// The path with every symbolic link, "." and ".." resolved, in *resolved; false when it cannot
// be resolved (a part of it does not exist), and always on Windows, where paths are taken as
// spelled.
bool ResolvedPath(const std::string& path, std::string* resolved);

// A claim on a file that is being written, held from before the file is opened for writing
// until it is released: while one is held, a second claim on the same file, from this process
// or any other, fails, so that two writers never write one file at once. Only regular files
// are claimed (devices and pipes are left to themselves), and readers are not kept out. The
// claim is advisory: only writers that claim first are held off.
class WriteClaim {
 public:
  WriteClaim() noexcept = default;
  ~WriteClaim() { Release(); }
  WriteClaim(WriteClaim&& other) noexcept;
  WriteClaim& operator=(WriteClaim&& other) noexcept;
  WriteClaim(const WriteClaim&) = delete;
  WriteClaim& operator=(const WriteClaim&) = delete;

  // Claims the file at path (UTF-8 on Windows), creating it empty when there is none and
  // releasing any claim held before. False only when another claim on the file is held; when
  // the file cannot be claimed for another reason (a missing folder, no right to write it), true
  // without a claim, and opening the file for writing then fails or succeeds on its own.
  bool Acquire(const char* path) noexcept;
  void Release() noexcept;

 private:
#ifdef _WIN32
  void* m_handle = nullptr;  // the HANDLE holding the lock
#else
  int m_fd = -1;  // the descriptor holding the lock
#endif
};

#ifdef _WIN32
// UTF-8 to UTF-16; invalid UTF-8 gives an empty string (which names no file).
std::wstring WidePath(const std::string& path);
#endif

}  // namespace platform
