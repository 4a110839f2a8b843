#include "gzip_stream.h"

#include <cstring>
#include <new>

BufferedGzipStream::~BufferedGzipStream() { Close(); }

bool BufferedGzipStream::Open(const char* path) {
  Close();
  if (!m_buffer) {
    m_buffer.reset(new (std::nothrow) unsigned char[kCapacity]);
    if (!m_buffer) return false;
  }
  return m_file.open(path);
}

void BufferedGzipStream::Append(const void* data, std::size_t n) {
  if (kCapacity - m_used < n) {
    Drain();
    if (n >= kCapacity) {
      // Too large to collect: give it to the compressor as it is.
      if (m_file.write(data, n) != n) m_failed = true;
      return;
    }
  }
  std::memcpy(m_buffer.get() + m_used, data, n);
  m_used += n;
}

bool BufferedGzipStream::Drain() {
  if (m_used > 0) {
    if (m_file.write(m_buffer.get(), m_used) != m_used) m_failed = true;
    m_used = 0;  // on failure the bytes are dropped; the close status reports it
  }
  return !m_failed;
}

int BufferedGzipStream::Flush(GzipFile::FlushMode mode) {
  Drain();
  int status = m_file.flush(mode);
  if (status != 0) m_failed = true;
  return status;
}

int BufferedGzipStream::Close() {
  if (!m_file.is_open()) return 0;
  Drain();
  int status = m_file.close();  // reports any earlier refused write itself
  m_failed = false;
  m_used = 0;
  return status;
}
