// The values of a bulk block as the writer takes them: single precision, row by row.
#pragma once

#include <cstddef>
#include <vector>

#include "tensor_components.h"

class odb_FieldBulkData;

// A single-precision block hands out its own storage, without a copy. A double-precision
// block's rows are converted into a buffer a few rows at a time (one element's points, one
// node's row), so the block is never copied whole.
// With a tensor layout (tensor_components.h) the rows come out in the host's slots, layout
// width values each, gathered into the buffer the same way.
class BlockValues {
 public:
  explicit BlockValues(const odb_FieldBulkData& block, const TensorLayout& layout = TensorLayout());
  // Rows first .. first + count - 1 (RowWidth() values each) in single precision; valid until
  // the next call.
  const float* Rows(std::size_t first, std::size_t count);
  // The values per row handed out: the layout's width, or the block's own.
  int RowWidth() const { return static_cast<int>(m_rowWidth); }

 private:
  const float* m_single;
  const double* m_double;
  std::size_t m_width;
  std::size_t m_rowWidth;
  TensorLayout m_layout;
  std::vector<float> m_buffer;
};
