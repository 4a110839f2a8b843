// Large uninitialised buffers for bulk data, kept after use and handed out again so that the
// blocks of one field output reuse the pages of the previous one instead of faulting in fresh
// ones (allocations above glibc's mmap threshold get new pages every time).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

namespace odbapi_detail {

class BufferPool;

// Raw storage (no objects, no zero fill) from the C allocator.
struct RawDelete {
  void operator()(void* bytes) const noexcept { std::free(bytes); }
};
using RawBytes = std::unique_ptr<void, RawDelete>;

// Storage for bytes; throws std::bad_alloc. Large buffers are aligned to 2 MiB and offered to
// the kernel for transparent huge pages, so filling one faults in a page per 2 MiB rather
// than per 4 KiB (page faults are a large share of a first read on a virtual machine).
RawBytes AllocateRaw(std::size_t bytes);

// Bytes from a pool, given back to it on destruction. Move-only. Empty: no bytes, null data.
class PooledBuffer {
 public:
  PooledBuffer() = default;
  ~PooledBuffer() { reset(); }
  PooledBuffer(PooledBuffer&& other) noexcept;
  PooledBuffer& operator=(PooledBuffer&& other) noexcept;
  PooledBuffer(const PooledBuffer&) = delete;
  PooledBuffer& operator=(const PooledBuffer&) = delete;

  void* data() const { return m_bytes.get(); }
  // The bytes asked for; the storage behind them may be larger.
  std::size_t size() const { return m_size; }
  std::size_t capacity() const { return m_capacity; }
  // Returns the storage to its pool (or frees it when the pool is gone).
  void reset() noexcept;

 private:
  friend class BufferPool;
  std::weak_ptr<BufferPool> m_pool;
  RawBytes m_bytes;
  std::size_t m_size = 0;
  std::size_t m_capacity = 0;
};

// A bounded free-list. What it keeps never exceeds twice the most bytes that were out at one
// time (nor kMaxKept buffers): room for the buffers of every field output of a frame (a large
// one and the smaller ones around it), so a walk over many frames stops faulting in fresh
// pages after its first frame, while memory stays within three times the largest working set.
class BufferPool : public std::enable_shared_from_this<BufferPool> {
 public:
  static constexpr std::size_t kMaxKept = 8;

  static std::shared_ptr<BufferPool> Create() { return std::shared_ptr<BufferPool>(new BufferPool()); }

  // Uninitialised storage for bytes; for 0 bytes an empty buffer. Reuses the smallest kept
  // buffer that holds bytes, however much larger: memory already faulted in costs nothing,
  // while fresh memory must be zeroed by the kernel page by page (on a virtual machine the
  // larger part of reading a field output the first time). Allocates otherwise. Throws
  // std::bad_alloc.
  PooledBuffer acquire(std::size_t bytes);

  std::size_t keptBuffers() const;
  std::size_t keptBytes() const;
  std::size_t bytesOut() const;
  std::size_t mostBytesOut() const;

 private:
  friend class PooledBuffer;
  struct Kept {
    RawBytes bytes;
    std::size_t capacity;
  };
  BufferPool() { m_kept.reserve(kMaxKept + 1); }
  void release(RawBytes bytes, std::size_t capacity) noexcept;

  mutable std::mutex m_mutex;
  std::vector<Kept> m_kept;
  std::size_t m_keptBytes = 0;
  std::size_t m_bytesOut = 0;
  std::size_t m_mostBytesOut = 0;
};

}  // namespace odbapi_detail
