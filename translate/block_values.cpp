#include "block_values.h"

#include "odb_API.h"

BlockValues::BlockValues(const odb_FieldBulkData& block)
    : m_single(nullptr),
      m_double(nullptr),
      m_width(block.width() > 0 ? static_cast<std::size_t>(block.width()) : 0) {
  if (block.precision() == odb_Enum::DOUBLE_PRECISION) {
    m_double = block.dataDouble();
  } else {
    m_single = block.data();
  }
}

const float* BlockValues::Rows(std::size_t first, std::size_t count) {
  if (m_double == nullptr) return m_single + first * m_width;
  const std::size_t values = count * m_width;
  m_buffer.resize(values);
  const double* source = m_double + first * m_width;
  // The file stores 4-byte floats: each value rounds to the nearest one.
  for (std::size_t i = 0; i < values; ++i) m_buffer[i] = static_cast<float>(source[i]);
  return m_buffer.data();
}
