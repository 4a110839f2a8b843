// ReplacementFile on Windows: a named file beside the output, held open to tell it from any
// other, moved over the output with MoveFileExW.
#include "replacement_file.h"

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "file_system.h"

namespace platform {

namespace {

std::string::size_type LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
  // The root of a drive keeps its separator: the folder of D:\a.odb is D:\, not D:.
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

// A short name, so that it fits in every folder where the output's name fits.
std::string TemporaryNameIn(const std::string& folder) {
  static thread_local std::mt19937 random(std::random_device{}());
  char name[32];
  std::snprintf(name, sizeof name, "~kp%08x.tmp", static_cast<unsigned>(random()));
  const char last = folder.empty() ? '\\' : folder.back();
  return folder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

bool IdentityOfHandle(HANDLE handle, FileId* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info) == 0) return false;
  id->volume = info.dwVolumeSerialNumber;
  id->index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return true;
}

bool IsStillOurs(HANDLE handle, const std::string& path) {
  FileId mine;
  FileId there;
  return IdentityOfHandle(handle, &mine) && IdentityOf(path, &there) && mine == there;
}

// False for a name that opens something other than a file on a disk (NUL, CON, COM1).
bool IsDiskFileOrNothing(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return true;
  HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return true;
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_DISK;
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (wide.empty()) return path;
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::vector<wchar_t> full(size + 1);
  const DWORD length = GetFullPathNameW(wide.c_str(), size + 1, full.data(), nullptr);
  if (length == 0 || length > size) return path;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(length), nullptr,
                                        0, nullptr, nullptr);
  if (bytes <= 0) return path;
  std::string result(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, full.data(), static_cast<int>(length), &result[0], bytes,
                      nullptr, nullptr);
  return result;
}

ReplacementFile::~ReplacementFile() { Discard(); }

void ReplacementFile::Discard() noexcept {
  HANDLE handle = static_cast<HANDLE>(m_handle);
  // Only a file that is still this one is removed, never one another process put in its place.
  if (!m_tempPath.empty() && handle != nullptr && IsStillOurs(handle, m_tempPath)) {
    RemoveFile(m_tempPath);
  }
  m_tempPath.clear();
  if (handle != nullptr) CloseHandle(handle);
  m_handle = nullptr;
}

ReplacementFile::Plan ReplacementFile::Prepare(const std::string& output, Naming) {
  Discard();
  m_target.clear();
  m_writePath.clear();
  if (output.empty()) return Plan::kRefused;
  if (IsPipeOrSocket(output)) return Plan::kRefused;
  m_writePath = output;
  if (!IsDiskFileOrNothing(output)) return Plan::kInPlace;  // a device: never replaced
  FileKind kind = FileKind::kOther;
  if (KindOfFile(output, &kind)) {
    if (kind == FileKind::kDirectory) return Plan::kRefused;
    if (kind != FileKind::kRegular) return Plan::kInPlace;  // a device: never replaced
    const std::wstring wide = WidePath(output);
    if (wide.empty() || _waccess(wide.c_str(), 2) != 0) return Plan::kRefused;  // read-only
  } else if (errno != ENOENT) {
    return Plan::kInPlace;  // the writer finds out why it cannot open it
  }
  m_target = output;
  // "name\" names a folder that is not there; no file can be made under it.
  if (m_target.back() == '\\' || m_target.back() == '/') return Plan::kRefused;
  const std::string folder = FolderOf(m_target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = TemporaryNameIn(folder);
    const std::wstring wide = WidePath(candidate);
    if (wide.empty()) break;
    // Held for reading only and sharing everything, so that the writer opens it for writing
    // as it likes and it can be moved while held.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      m_handle = handle;
      m_tempPath = candidate;
      m_writePath = candidate;
      return Plan::kReplace;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  // A folder that takes no new file: the file is written where it is, if it can be.
  m_writePath = output;
  return Plan::kInPlace;
}

bool ReplacementFile::Commit() {
  HANDLE handle = static_cast<HANDLE>(m_handle);
  if (handle == nullptr || m_tempPath.empty()) {
    errno = EBADF;
    return false;
  }
  if (!IsStillOurs(handle, m_tempPath)) {
    m_tempPath.clear();  // another's file: left where it is
    errno = EEXIST;
    return false;
  }
  if (!RenameReplacing(m_tempPath, m_target)) return false;
  m_tempPath.clear();
  Discard();
  return true;
}

}  // namespace platform
