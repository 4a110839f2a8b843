// The platform layer on Windows: UTF-8 paths converted to UTF-16 for the wide API.
#include "file_system.h"

#include "ascii_case.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <new>
#include <string_view>
#include <utility>

namespace platform {

namespace {

// Owns a handle from CreateFileW.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  ~FileHandle() {
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

}  // namespace

std::wstring WidePath(const std::string& path) {
  if (path.empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                       static_cast<int>(path.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                      wide.data(), size);
  return wide;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  const std::wstring wide = WidePath(path);
  const std::wstring wideMode = WidePath(mode);
  if (wide.empty() || wideMode.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfopen(wide.c_str(), wideMode.c_str());
}

bool Exists(const std::string& path) {
  const std::wstring wide = WidePath(path);
  return !wide.empty() && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  return !wide.empty() && _wremove(wide.c_str()) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WidePath(from);
  const std::wstring wideTo = WidePath(to);
  if (wideFrom.empty() || wideTo.empty()) {
    errno = ENOENT;
    return false;
  }
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return true;
  }
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

namespace {

// The file's status through the wide API; false with errno set when there is none.
bool StatusOfFile(const std::string& path, struct _stat64* info) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) {
    errno = ENOENT;
    return false;
  }
  return _wstat64(wide.c_str(), info) == 0;
}

}  // namespace

bool KindOfFile(const std::string& path, FileKind* kind) {
  struct _stat64 info;
  if (!StatusOfFile(path, &info)) return false;
  *kind = (info.st_mode & _S_IFMT) == _S_IFDIR   ? FileKind::kDirectory
          : (info.st_mode & _S_IFMT) == _S_IFREG ? FileKind::kRegular
                                                 : FileKind::kOther;
  return true;
}

bool SizeOfFile(const std::string& path, std::uint64_t* size) {
  struct _stat64 info;
  if (!StatusOfFile(path, &info)) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool IsReadable(const std::string& path) {
  const std::wstring wide = WidePath(path);
  return !wide.empty() && _waccess(wide.c_str(), 4) == 0;
}

bool IdentityOf(const std::string& path, FileId* id) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return false;
  // Opened without any access right, so that neither a sharing mode nor the file's
  // permissions stand in the way; folders open only with backup semantics.
  FileHandle file(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (file.get() == INVALID_HANDLE_VALUE || GetFileInformationByHandle(file.get(), &info) == 0) {
    return false;
  }
  id->volume = info.dwVolumeSerialNumber;
  id->index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return true;
}

namespace {
// The claim locks one byte far beyond the end of any results file: Windows' locks are
// mandatory, so a locked byte that holds data could not be read, nor written through the
// writer's own, separate handle.
constexpr DWORD kClaimOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kClaimOffsetLow = 0;
}  // namespace

bool WriteClaim::Acquire(const char* path) noexcept {
  Release();
  if (path == nullptr) return true;
  std::wstring wide;
  try {
    wide = WidePath(path);
  } catch (const std::bad_alloc&) {
    return true;  // opening the file will fail for want of memory as well
  }
  if (wide.empty()) return true;
  HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return true;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return true;
  }
  OVERLAPPED at = {};
  at.Offset = kClaimOffsetLow;
  at.OffsetHigh = kClaimOffsetHigh;
  if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) == 0) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    return error != ERROR_LOCK_VIOLATION;
  }
  m_handle = handle;
  return true;
}

void WriteClaim::Release() noexcept {
  // Closing the handle releases its lock.
  if (m_handle != nullptr) CloseHandle(static_cast<HANDLE>(m_handle));
  m_handle = nullptr;
}

WriteClaim::WriteClaim(WriteClaim&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)) {}

WriteClaim& WriteClaim::operator=(WriteClaim&& other) noexcept {
  if (this != &other) {
    Release();
    m_handle = std::exchange(other.m_handle, nullptr);
  }
  return *this;
}

EntryKind EntryAt(const std::string&, std::string*) { return EntryKind::kNothing; }

bool ResolvedPath(const std::string&, std::string*) { return false; }

bool IsPipeOrSocket(const std::string& path) {
  // Named pipes live in the pipe file system: \\.\pipe\NAME (either slash).
  if (path.size() < 9) return false;
  std::string prefix = AsciiLowerText(std::string_view(path).substr(0, 9));
  for (char& c : prefix) {
    if (c == '/') c = '\\';
  }
  return prefix == "\\\\.\\pipe\\";
}

}  // namespace platform
