#include "gzip_stream.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

// The compressing thread of one open stream, its job queue and its buffers.
//
// Jobs run strictly in the order they were queued. A job stays in the queue until the worker
// has finished it, so an empty queue means every job handed over is done. The queue never
// holds more than kBuffers - 1 data jobs (one buffer is always the caller's) plus the one
// flush or close the caller is waiting for.
class BufferedGzipStream::Worker {
 public:
  enum class Kind { kData, kFlushFull, kFlushFinish, kClose };

  explicit Worker(GzipFile& file) : m_file(file) {}

  ~Worker() { Stop(); }

  // Allocates the buffers; false when memory is short.
  bool Allocate() {
    m_storage.reset(new (std::nothrow) unsigned char[kCapacity * kBuffers]);
    if (!m_storage) return false;
    for (int i = 0; i < kBuffers; ++i) m_free[i] = m_storage.get() + kCapacity * i;
    m_freeCount = kBuffers;
    return true;
  }

  // Starts the thread; false when the system refuses one.
  bool Start() {
    try {
      m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  // Takes a free buffer for the caller to fill, waiting for the worker to release one.
  unsigned char* TakeBuffer() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_released.wait(lock, [this] { return m_freeCount > 0; });
    return m_free[--m_freeCount];
  }

  // Queues `used` bytes of a buffer from TakeBuffer and takes another one in its place.
  unsigned char* SwapBuffer(unsigned char* full, std::size_t used) {
    std::unique_lock<std::mutex> lock(m_mutex);
    Push(Job{Kind::kData, full, used});
    m_released.wait(lock, [this] { return m_freeCount > 0; });
    return m_free[--m_freeCount];
  }

  // Gives back a buffer from TakeBuffer without queueing its contents.
  void ReturnBuffer(unsigned char* buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_free[m_freeCount++] = buffer;
  }

  // Queues a flush or the close, waits until it and everything before it are done, and
  // returns its status. After kClose the thread has ended and is joined.
  int RunAndWait(Kind kind) {
    int status;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      Push(Job{kind, nullptr, 0});
      m_released.wait(lock, [this] { return m_queued == 0; });
      status = m_lastStatus;
    }
    if (kind == Kind::kClose) m_thread.join();
    return status;
  }

  // True once a data job was not taken whole by the compressor, or a flush failed.
  bool Failed() const { return m_failed.load(std::memory_order_acquire); }

 private:
  struct Job {
    Kind kind;
    unsigned char* data;
    std::size_t size;
  };
  static constexpr int kQueueSlots = kBuffers + 1;

  // Called with the mutex held; the queue has room by the bound above.
  void Push(const Job& job) {
    m_queue[(m_head + m_queued) % kQueueSlots] = job;
    ++m_queued;
    m_queuedCv.notify_one();
  }

  void Run() {
    for (;;) {
      Job job;
      bool skip;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_queuedCv.wait(lock, [this] { return m_queued > 0; });
        job = m_queue[m_head];
        skip = Failed();
      }
      // The file is used outside the lock, so the caller fills its buffer meanwhile.
      int status = 0;
      bool failed = false;
      switch (job.kind) {
        case Kind::kData:
          // After a failure the data can no longer reach the file; close reports it.
          failed = !skip && m_file.write(job.data, job.size) != job.size;
          break;
        case Kind::kFlushFull:
        case Kind::kFlushFinish:
          status = m_file.flush(job.kind == Kind::kFlushFinish ? GzipFile::FlushMode::kFinish
                                                               : GzipFile::FlushMode::kFull);
          failed = status != 0;
          break;
        case Kind::kClose:
          status = m_file.close();
          break;
      }
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (failed) m_failed.store(true, std::memory_order_release);
        if (job.kind == Kind::kData) {
          m_free[m_freeCount++] = job.data;
        } else {
          m_lastStatus = status;
        }
        m_head = (m_head + 1) % kQueueSlots;
        --m_queued;
        m_released.notify_one();
      }
      if (job.kind == Kind::kClose) return;
    }
  }

  // Ends a thread that is still running (an open that failed after the thread started).
  void Stop() {
    if (m_thread.joinable()) RunAndWait(Kind::kClose);
  }

  GzipFile& m_file;
  std::thread m_thread;
  std::unique_ptr<unsigned char[]> m_storage;

  std::mutex m_mutex;
  std::condition_variable m_queuedCv;  // a job was queued
  std::condition_variable m_released;  // a job finished (and perhaps freed a buffer)
  Job m_queue[kQueueSlots] = {};
  int m_head = 0;
  int m_queued = 0;
  unsigned char* m_free[kBuffers] = {};
  int m_freeCount = 0;
  int m_lastStatus = 0;  // of the latest flush or close
  std::atomic<bool> m_failed{false};  // read without the lock by the caller's Failed()
};

BufferedGzipStream::BufferedGzipStream() = default;

BufferedGzipStream::~BufferedGzipStream() { Close(); }

bool BufferedGzipStream::Open(const char* path) {
  Close();
  auto worker = std::unique_ptr<Worker>(new (std::nothrow) Worker(m_file));
  // The thread starts first, so that a refused thread leaves no file behind; it touches the
  // file only once a job arrives through the queue's lock. When the open fails, destroying
  // the worker ends the thread.
  if (!worker || !worker->Allocate() || !worker->Start()) return false;
  if (!m_file.open(path)) return false;
  m_buffer = worker->TakeBuffer();
  m_used = 0;
  m_worker = std::move(worker);
  return true;
}

void BufferedGzipStream::Append(const void* data, std::size_t n) {
  const unsigned char* from = static_cast<const unsigned char*>(data);
  while (n > 0) {
    if (m_used == kCapacity) Drain();
    const std::size_t piece = n < kCapacity - m_used ? n : kCapacity - m_used;
    std::memcpy(m_buffer + m_used, from, piece);
    m_used += piece;
    from += piece;
    n -= piece;
  }
}

bool BufferedGzipStream::Failed() const { return m_worker != nullptr && m_worker->Failed(); }

bool BufferedGzipStream::Drain() {
  if (m_worker == nullptr) return false;
  if (m_used > 0 && !m_worker->Failed()) m_buffer = m_worker->SwapBuffer(m_buffer, m_used);
  m_used = 0;  // on failure the bytes are dropped; the close status reports it
  return !m_worker->Failed();
}

int BufferedGzipStream::Flush(GzipFile::FlushMode mode) {
  if (m_worker == nullptr) return m_file.flush(mode);  // the closed handle's status
  Drain();
  // A failed flush also marks the worker failed.
  return m_worker->RunAndWait(mode == GzipFile::FlushMode::kFinish ? Worker::Kind::kFlushFinish
                                                                   : Worker::Kind::kFlushFull);
}

int BufferedGzipStream::Close() {
  if (m_worker == nullptr) return 0;
  Drain();
  m_worker->ReturnBuffer(m_buffer);
  m_buffer = nullptr;
  // The file's close reports any earlier refused write itself.
  int status = m_worker->RunAndWait(Worker::Kind::kClose);
  m_worker.reset();
  m_used = 0;
  return status;
}
