// The parts of GzipFile that do not depend on the deflate engine.
#include "gzip_file.h"

#include <utility>

GzipFile::~GzipFile() noexcept { close(); }

GzipFile::GzipFile(GzipFile&& other) noexcept
    : m_engine(std::exchange(other.m_engine, nullptr)),
      m_failed(std::exchange(other.m_failed, false)) {}

GzipFile& GzipFile::operator=(GzipFile&& other) noexcept {
  if (this != &other) {
    close();
    m_engine = std::exchange(other.m_engine, nullptr);
    m_failed = std::exchange(other.m_failed, false);
  }
  return *this;
}
