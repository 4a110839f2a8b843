// GzipFile over zlib's gz* functions, mode "wb1".
#include "gzip_file.h"

#include <zlib.h>

#include "file_system.h"

#include <climits>
#include <new>
#include <string>
#include <utility>

namespace {

// zlib's internal input buffer; larger than the default 8 KiB so that fewer system calls
// reach the file. The compressed bytes do not depend on it.
constexpr unsigned kEngineBuffer = 128 * 1024;

// gzwrite takes an unsigned count but returns an int, so one call moves at most this much.
constexpr std::size_t kLargestWrite = INT_MAX / 2 + 1;

}  // namespace

struct GzipFile::Engine {
  gzFile handle = nullptr;
  platform::WriteClaim claim;  // released after the handle is closed
};

bool GzipFile::open(const char* path) noexcept {
  close();
  if (path == nullptr) return false;
  // Claimed before gzopen empties the file, so that another writer's file stays whole.
  platform::WriteClaim claim;
  if (!claim.Acquire(path)) return false;
#ifdef _WIN32
  // The path is UTF-8; zlib's narrow gzopen would read it in the ANSI code page.
  const std::wstring wide = platform::WidePath(path);
  gzFile handle = wide.empty() ? nullptr : gzopen_w(wide.c_str(), "wb1");
#else
  gzFile handle = gzopen(path, "wb1");
#endif
  if (handle == nullptr) return false;
  m_engine = new (std::nothrow) Engine;
  if (m_engine == nullptr) {
    gzclose(handle);
    return false;
  }
  m_engine->handle = handle;
  m_engine->claim = std::move(claim);
  gzbuffer(handle, kEngineBuffer);
  return true;
}

std::size_t GzipFile::write(const void* data, std::size_t n) noexcept {
  if (m_engine == nullptr) return 0;
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < n) {
    std::size_t piece = n - done < kLargestWrite ? n - done : kLargestWrite;
    int written = gzwrite(m_engine->handle, bytes + done, static_cast<unsigned>(piece));
    if (written <= 0) {
      m_failed = true;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  return done;
}

int GzipFile::flush(FlushMode mode) noexcept {
  if (m_engine == nullptr) return Z_STREAM_ERROR;
  int status = gzflush(m_engine->handle, mode == FlushMode::kFinish ? Z_FINISH : Z_FULL_FLUSH);
  if (status != Z_OK) m_failed = true;
  return status;
}

int GzipFile::close() noexcept {
  if (m_engine == nullptr) return Z_OK;
  Engine* engine = std::exchange(m_engine, nullptr);
  int status = gzclose(engine->handle);
  delete engine;
  // zlib may forget an earlier failed write once its state is freed; keep reporting it.
  if (status == Z_OK && m_failed) status = Z_ERRNO;
  m_failed = false;
  return status;
}
