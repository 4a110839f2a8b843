// A gzip output stream that collects small writes in a memory buffer of its own and hands
// whole buffers to a compressing thread, so that writing one 4-byte number costs a bounds
// check and a store rather than a library call, and deflate runs beside the caller.
//
// While a file is open the stream owns one worker thread and a few buffers of kCapacity
// bytes. The caller fills the current buffer; a full buffer goes to the worker, which
// deflates it and writes the file in hand-over order, and the caller carries on in a free
// buffer (waiting only when all of them are queued). The worker alone touches the GzipFile
// between Open and Close. Flush and Close wait until the worker has done everything handed
// over before them. The stream itself is used by one thread at a time.
//
// A failure met by the worker (a refused write, a full device) shows in Failed() and Drain()
// at the next hand-over after it, in Flush, and always in the status of Close.
#pragma once

#include "gzip_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class BufferedGzipStream {
 public:
  static constexpr std::size_t kCapacity = 1024 * 1024;
  // Buffers per open stream: the one being filled and up to kBuffers - 1 queued for deflate.
  static constexpr int kBuffers = 4;

  BufferedGzipStream();
  ~BufferedGzipStream();  // writes what is collected, then closes and joins; the status is lost
  BufferedGzipStream(const BufferedGzipStream&) = delete;
  BufferedGzipStream& operator=(const BufferedGzipStream&) = delete;

  // Opens path as a level-1 gzip file and starts the worker; false when the file cannot be
  // opened or the worker cannot start (no file is left open then).
  bool Open(const char* path);
  bool IsOpen() const { return m_worker != nullptr; }
  // True once the compressor has refused data handed to it, as far as the worker has got;
  // stays true until Close.
  bool Failed() const;

  // Collects n bytes, of any length. Only while open, as for the calls below.
  void Append(const void* data, std::size_t n);

  // Appends a 32-bit word with its least significant byte first.
  void AppendLE32(std::uint32_t word) {
    if (kCapacity - m_used < 4) Drain();
    unsigned char* out = m_buffer + m_used;
    out[0] = static_cast<unsigned char>(word);
    out[1] = static_cast<unsigned char>(word >> 8);
    out[2] = static_cast<unsigned char>(word >> 16);
    out[3] = static_cast<unsigned char>(word >> 24);
    m_used += 4;
  }

  // Room for n bytes (n at most kCapacity) at the end of the collected data, to format into;
  // Commit then keeps the first `used` of them.
  char* Reserve(std::size_t n) {
    if (kCapacity - m_used < n) Drain();
    return reinterpret_cast<char*>(m_buffer + m_used);
  }
  void Commit(std::size_t used) { m_used += used; }

  // Hands the collected bytes to the worker; false when the stream has failed (then the
  // bytes are dropped, and Close reports the failure).
  bool Drain();
  // Drains, then flushes the compressor once the worker has caught up; 0 or a negative
  // zlib-style status.
  int Flush(GzipFile::FlushMode mode);
  // Drains, finishes the stream, closes the file and stops the worker: 0 when every byte
  // reached the file, else a negative zlib-style status. 0 when nothing is open.
  int Close();

 private:
  class Worker;  // the thread, its queue and the buffers (gzip_stream.cpp)

  GzipFile m_file;  // used only by the worker while open
  std::unique_ptr<Worker> m_worker;
  unsigned char* m_buffer = nullptr;  // the buffer being filled, one of the worker's
  std::size_t m_used = 0;
};
