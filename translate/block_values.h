// The values of a bulk block as the writer takes them: single precision, row by row.
#pragma once

#include <cstddef>
#include <vector>

class odb_FieldBulkData;

// A single-precision block hands out its own storage, without a copy. A double-precision
// block's rows are converted into a buffer a few rows at a time (one element's points, one
// node's row), so the block is never copied whole.
class BlockValues {
 public:
  explicit BlockValues(const odb_FieldBulkData& block);
  // Rows first .. first + count - 1 (width values each) in single precision; valid until the
  // next call.
  const float* Rows(std::size_t first, std::size_t count);

 private:
  const float* m_single;
  const double* m_double;
  std::size_t m_width;
  std::vector<float> m_buffer;
};
