#include "mesh_chunks.h"

#include <algorithm>

#include "post_interface.h"

namespace {

// Numbers per chunk: large enough that the writer call costs nothing per record, small
// enough to stay in the first-level cache.
constexpr std::size_t kChunkNumbers = 4096;

std::size_t NonNegative(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// Rows of numbersPerRow numbers in a chunk, at least one, and no more than there are rows.
std::size_t ChunkRows(int rowCount, std::size_t numbersPerRow) {
  const std::size_t perChunk = std::max<std::size_t>(1, kChunkNumbers / numbersPerRow);
  return std::min(std::max<std::size_t>(1, NonNegative(rowCount)), perChunk);
}

}  // namespace

CoordinateRows::CoordinateRows(int nodeCount)
    : m_capacity(ChunkRows(nodeCount, 4)), m_ids(m_capacity), m_xyz(3 * m_capacity) {}

void CoordinateRows::Write() {
  if (m_rows == 0) return;
  PostWriteCoordinateRows(m_ids.data(), m_xyz.data(), static_cast<int>(m_rows));
  m_rows = 0;
}

ElementRows::ElementRows(int elementCount, int nnode)
    : m_nnode(nnode),
      m_width(NonNegative(nnode)),
      m_capacity(ChunkRows(elementCount, m_width + 1)),
      m_ids(m_capacity),
      m_nodes(m_capacity * m_width) {}

void ElementRows::Write() {
  if (m_rows == 0) return;
  PostWriteElementRows(m_ids.data(), m_nodes.data(), static_cast<int>(m_rows), m_nnode);
  m_rows = 0;
}
