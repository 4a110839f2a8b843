// A move-only owner of one gzip output stream.
//
// This class is the only place that talks to the deflate engine. The build picks one engine:
// zlib's gz* functions (gzip_file_zlib.cpp) or ISA-L's igzip through plain file I/O
// (gzip_file_isal.cpp); both write standard gzip members at their fastest level. The
// destructor closes the stream and never throws; call close() to learn whether everything
// reached the file.
#pragma once

#include <cstddef>

class GzipFile {
 public:
  // How far flush() pushes the compressed data.
  enum class FlushMode {
    kFull,    // everything so far becomes decodable; the stream continues
    kFinish,  // completes the gzip member written so far
  };

  GzipFile() noexcept = default;
  ~GzipFile() noexcept;

  GzipFile(GzipFile&& other) noexcept;
  GzipFile& operator=(GzipFile&& other) noexcept;
  GzipFile(const GzipFile&) = delete;
  GzipFile& operator=(const GzipFile&) = delete;

  // Creates or truncates path for writing at the engine's fastest level (zlib: mode "wb1").
  // Any stream held before is closed first, its status discarded. False when the file
  // cannot be opened.
  bool open(const char* path) noexcept;

  bool is_open() const noexcept { return m_engine != nullptr; }

  // Hands n bytes to the compressor; returns how many it accepted (n unless the stream
  // has failed).
  std::size_t write(const void* data, std::size_t n) noexcept;

  // 0 on success, a negative zlib-style status otherwise (-1 for a failed write to the
  // file); a closed handle gives -2. kFinish followed by more writes starts a new member.
  int flush(FlushMode mode) noexcept;

  // Finishes the stream and closes the file: 0 when every byte was written, else a
  // negative zlib-style status (also when an earlier write had failed). A closed handle
  // gives 0.
  int close() noexcept;

 private:
  struct Engine;  // the engine's state, defined by the engine's source file
  Engine* m_engine = nullptr;
  bool m_failed = false;  // a write or flush was refused; close must not report success
};
