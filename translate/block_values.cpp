#include "block_values.h"

#include "odb_API.h"

BlockValues::BlockValues(const odb_FieldBulkData& block, const TensorLayout& layout)
    : m_single(nullptr),
      m_double(nullptr),
      m_width(block.width() > 0 ? static_cast<std::size_t>(block.width()) : 0),
      m_rowWidth(layout.ByWidth() ? m_width : static_cast<std::size_t>(layout.width)),
      m_layout(layout) {
  if (block.precision() == odb_Enum::DOUBLE_PRECISION) {
    m_double = block.dataDouble();
  } else {
    m_single = block.data();
  }
}

namespace {

// count rows of the block's width from source into target in the layout's slots; a slot
// without a component gets 0. Each value rounds to the nearest 4-byte float, as the file
// stores them.
template <typename Value>
void Gather(const Value* source, std::size_t width, const TensorLayout& layout, std::size_t count,
            float* target) {
  const std::size_t slots = static_cast<std::size_t>(layout.width);
  for (std::size_t r = 0; r < count; ++r, source += width, target += slots) {
    for (std::size_t k = 0; k < slots; ++k) {
      const int c = layout.source[k];
      target[k] = c >= 0 ? static_cast<float>(source[c]) : 0.0f;
    }
  }
}

}  // namespace

const float* BlockValues::Rows(std::size_t first, std::size_t count) {
  if (m_layout.ByWidth()) {
    if (m_double == nullptr) return m_single + first * m_width;
    const std::size_t values = count * m_width;
    m_buffer.resize(values);
    const double* source = m_double + first * m_width;
    // The file stores 4-byte floats: each value rounds to the nearest one.
    for (std::size_t i = 0; i < values; ++i) m_buffer[i] = static_cast<float>(source[i]);
    return m_buffer.data();
  }
  m_buffer.resize(count * m_rowWidth);
  if (m_double == nullptr) {
    Gather(m_single + first * m_width, m_width, m_layout, count, m_buffer.data());
  } else {
    Gather(m_double + first * m_width, m_width, m_layout, count, m_buffer.data());
  }
  return m_buffer.data();
}
