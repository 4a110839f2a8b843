// A gzip output stream that collects small writes in a memory buffer of its own and hands
// the compressor whole buffers, so that writing one 4-byte number costs a bounds check and
// a store rather than a library call.
#pragma once

#include "gzip_file.h"
#include "little_endian.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class BufferedGzipStream {
 public:
  static constexpr std::size_t kCapacity = 256 * 1024;

  BufferedGzipStream() = default;
  ~BufferedGzipStream();  // writes what is collected, then closes; the status is lost
  BufferedGzipStream(const BufferedGzipStream&) = delete;
  BufferedGzipStream& operator=(const BufferedGzipStream&) = delete;

  // Opens path as a level-1 gzip file ("wb1"); false when it cannot be opened.
  bool Open(const char* path);
  bool IsOpen() const { return m_file.is_open(); }
  // True once any hand-over to the compressor has been refused; stays true until Close.
  bool Failed() const { return m_failed; }

  void Append(const void* data, std::size_t n);

  // Appends a 32-bit word with its least significant byte first.
  void AppendLE32(std::uint32_t word) {
    if (kCapacity - m_used < 4) Drain();
    StoreLittleEndian32(m_buffer.get() + m_used, word);
    m_used += 4;
  }

  // Bytes that can be appended before the collected data must go to the compressor.
  std::size_t Room() const { return kCapacity - m_used; }

  // Room for n bytes (n at most kCapacity) at the end of the collected data, to format into;
  // Commit then keeps the first `used` of them.
  char* Reserve(std::size_t n) {
    if (kCapacity - m_used < n) Drain();
    return reinterpret_cast<char*>(m_buffer.get() + m_used);
  }
  void Commit(std::size_t used) { m_used += used; }

  // Hands the collected bytes to the compressor; false when the stream has failed.
  bool Drain();
  // Drains, then flushes the compressor; 0 or a negative zlib status.
  int Flush(GzipFile::FlushMode mode);
  // Drains and closes the file: 0 when every byte reached it, else a negative zlib status.
  int Close();

 private:
  GzipFile m_file;
  std::unique_ptr<unsigned char[]> m_buffer;
  std::size_t m_used = 0;
  bool m_failed = false;
};
