// Helpers the stand-in's readers share: byte order, and checked reads of result columns
// whose failures name the row. Not part of the public API.
#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "buffer_pool.h"
#include "sqlite_handle.h"

namespace odbapi_detail {

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

inline bool HostIsLittleEndian() {
  const std::uint32_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// Turns count little-endian 32-bit values into host order, in place (nothing to do on a
// little-endian host).
inline void LittleEndian32ToHost(void* values, std::size_t count) {
  if (HostIsLittleEndian()) return;
  auto* bytes = static_cast<unsigned char*>(values);
  for (std::size_t i = 0; i < count; ++i) {
    std::swap(bytes[4 * i], bytes[4 * i + 3]);
    std::swap(bytes[4 * i + 1], bytes[4 * i + 2]);
  }
}

// Turns count little-endian 64-bit values into host order, in place.
inline void LittleEndian64ToHost(void* values, std::size_t count) {
  if (HostIsLittleEndian()) return;
  auto* bytes = static_cast<unsigned char*>(values);
  for (std::size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 4; ++k) std::swap(bytes[8 * i + k], bytes[8 * i + 7 - k]);
  }
}

// Turns little-endian values of valueBytes (4 or 8) bytes each into host order, in place.
inline void LittleEndianToHost(void* values, std::size_t bytes, std::size_t valueBytes) {
  if (valueBytes == 8) {
    LittleEndian64ToHost(values, bytes / 8);
  } else {
    LittleEndian32ToHost(values, bytes / 4);
  }
}

// Appends count little-endian 32-bit values (integers or floats) from a blob to out.
template <class Value>
void AppendLittleEndian32(const void* source, std::size_t count, std::vector<Value>& out) {
  static_assert(sizeof(Value) == 4, "32-bit values only");
  if (count == 0) return;
  const std::size_t end = out.size();
  out.resize(end + count);
  std::memcpy(out.data() + end, source, count * 4);
  LittleEndian32ToHost(out.data() + end, count);
}

// Copies count little-endian values of valueBytes (4 or 8) bytes each from a blob into
// uninitialised pooled storage.
inline PooledBuffer DecodeLittleEndian(const void* source, std::size_t count,
                                       std::size_t valueBytes, BufferPool& pool) {
  PooledBuffer out = pool.acquire(count * valueBytes);
  if (count == 0) return out;
  std::memcpy(out.data(), source, count * valueBytes);
  LittleEndianToHost(out.data(), count * valueBytes, valueBytes);
  return out;
}

inline PooledBuffer DecodeLittleEndian32(const void* source, std::size_t count, BufferPool& pool) {
  return DecodeLittleEndian(source, count, 4, pool);
}

// Where a message points: a fixed text, or a function that makes it, so that loops over
// millions of rows build their row's description only when a check fails.
inline const std::string& Describe(const std::string& where) { return where; }
template <class MakeText>
inline std::string Describe(const MakeText& where) {
  return where();
}

// Typed reads of a result column; where says which row for the message.
template <class Where>
std::int64_t IntegerColumn(const Statement& statement, int column, const Where& where,
                           const char* name) {
  if (statement.columnType(column) != SQLITE_INTEGER) {
    Fail(Describe(where) + ": " + name + " is not an integer");
  }
  return statement.columnInt(column);
}

template <class Where>
int Int32Column(const Statement& statement, int column, const Where& where, const char* name) {
  std::int64_t value = IntegerColumn(statement, column, where, name);
  if (value < INT_MIN || value > INT_MAX) {
    Fail(Describe(where) + ": " + name + " " + std::to_string(value) +
         " is outside the 32-bit range");
  }
  return static_cast<int>(value);
}

template <class Where>
double RealColumn(const Statement& statement, int column, const Where& where, const char* name) {
  int type = statement.columnType(column);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
    Fail(Describe(where) + ": " + name + " is not a number");
  }
  return statement.columnDouble(column);
}

// Whether a value of the given SQLite type is a BLOB; false when NULL and nullable.
template <class Where>
bool BlobPresent(int type, const Where& where, const char* name, bool nullable) {
  if (type == SQLITE_NULL) {
    if (nullable) return false;
    Fail(Describe(where) + ": " + name + " is missing (NULL)");
  }
  if (type != SQLITE_BLOB) Fail(Describe(where) + ": " + name + " is not a BLOB");
  return true;
}

// A BLOB column, or none when NULL and nullable.
template <class Where>
bool BlobColumn(const Statement& statement, int column, const Where& where, const char* name,
                bool nullable) {
  return BlobPresent(statement.columnType(column), where, name, nullable);
}

}  // namespace odbapi_detail
