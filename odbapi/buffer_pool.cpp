#include "buffer_pool.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

namespace odbapi_detail {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

RawBytes AllocateRaw(std::size_t bytes) {
  void* storage = nullptr;
#ifdef _WIN32
  // Windows has no aligned_alloc whose memory free() takes back, and gives huge pages only
  // to processes holding a special privilege: plain memory there.
  storage = std::malloc(bytes);
#else
  if (bytes >= kHugePage && bytes <= SIZE_MAX - kHugePage) {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    storage = std::aligned_alloc(kHugePage, rounded);
    // Only advice: without huge pages the buffer works the same.
    if (storage != nullptr) madvise(storage, rounded, MADV_HUGEPAGE);
  } else {
    storage = std::malloc(bytes);
  }
#endif
  if (storage == nullptr) throw std::bad_alloc();
  return RawBytes(storage);
}

PooledBuffer::PooledBuffer(PooledBuffer&& other) noexcept
    : m_pool(std::move(other.m_pool)),
      m_bytes(std::move(other.m_bytes)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)) {}

PooledBuffer& PooledBuffer::operator=(PooledBuffer&& other) noexcept {
  if (this != &other) {
    reset();
    m_pool = std::move(other.m_pool);
    m_bytes = std::move(other.m_bytes);
    m_size = std::exchange(other.m_size, 0);
    m_capacity = std::exchange(other.m_capacity, 0);
  }
  return *this;
}

void PooledBuffer::reset() noexcept {
  if (m_bytes) {
    if (std::shared_ptr<BufferPool> pool = m_pool.lock()) {
      pool->release(std::move(m_bytes), m_capacity);
    }
    m_bytes.reset();
  }
  m_pool.reset();
  m_size = 0;
  m_capacity = 0;
}

PooledBuffer BufferPool::acquire(std::size_t bytes) {
  PooledBuffer buffer;
  if (bytes == 0) return buffer;
  buffer.m_pool = weak_from_this();
  buffer.m_size = bytes;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto best = m_kept.end();
    for (auto kept = m_kept.begin(); kept != m_kept.end(); ++kept) {
      if (kept->capacity >= bytes &&
          (best == m_kept.end() || kept->capacity < best->capacity)) {
        best = kept;
      }
    }
    if (best != m_kept.end()) {
      buffer.m_bytes = std::move(best->bytes);
      buffer.m_capacity = best->capacity;
      m_keptBytes -= best->capacity;
      m_kept.erase(best);
      m_bytesOut += buffer.m_capacity;
      m_mostBytesOut = std::max(m_mostBytesOut, m_bytesOut);
      return buffer;
    }
  }
  buffer.m_bytes = AllocateRaw(bytes);
  buffer.m_capacity = bytes;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bytesOut += bytes;
  m_mostBytesOut = std::max(m_mostBytesOut, m_bytesOut);
  return buffer;
}

void BufferPool::release(RawBytes bytes, std::size_t capacity) noexcept {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_bytesOut -= capacity;
  // Room for kMaxKept + 1 is reserved, so this never allocates.
  m_kept.push_back(Kept{std::move(bytes), capacity});
  m_keptBytes += capacity;
  // Over the limits: give the smallest buffers back first; the large ones are the ones whose
  // fresh pages cost the most.
  while (m_kept.size() > kMaxKept || m_keptBytes > 2 * m_mostBytesOut) {
    auto smallest = std::min_element(m_kept.begin(), m_kept.end(), [](const Kept& a, const Kept& b) {
      return a.capacity < b.capacity;
    });
    m_keptBytes -= smallest->capacity;
    m_kept.erase(smallest);
  }
}

std::size_t BufferPool::keptBuffers() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_kept.size();
}
std::size_t BufferPool::keptBytes() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_keptBytes;
}
std::size_t BufferPool::bytesOut() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_bytesOut;
}
std::size_t BufferPool::mostBytesOut() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_mostBytesOut;
}

}  // namespace odbapi_detail
