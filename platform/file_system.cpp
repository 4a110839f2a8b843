#include "file_system.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

#ifdef _WIN32

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

bool CreateNewFile(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) {
    errno = ENOENT;
    return false;
  }
  const int fd = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
  return true;
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

bool IsPipeOrSocket(const std::string& path) {
  // Named pipes live in the pipe file system: \\.\pipe\NAME (either slash).
  if (path.size() < 9) return false;
  std::string prefix = path.substr(0, 9);
  for (char& c : prefix) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return prefix == "\\\\.\\pipe\\";
}

#else

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool CreateNewFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool KindOfFile(const std::string& path, FileKind* kind) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  *kind = S_ISDIR(info.st_mode)   ? FileKind::kDirectory
          : S_ISREG(info.st_mode) ? FileKind::kRegular
                                  : FileKind::kOther;
  return true;
}

bool SizeOfFile(const std::string& path, std::uint64_t* size) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool IsReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

bool IdentityOf(const std::string& path, FileId* id) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  id->volume = static_cast<std::uint64_t>(info.st_dev);
  id->index = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool IsPipeOrSocket(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

#endif

bool SameFile(const std::string& a, const std::string& b) {
  FileId first;
  FileId second;
  return IdentityOf(a, &first) && IdentityOf(b, &second) && first == second;
}

}  // namespace platform
