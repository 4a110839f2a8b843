// Node and element records of a mesh, collected and handed to the writer in chunks: one
// writer call per chunk instead of one per node or element, from a buffer that stays in
// the cache.
#pragma once

#include <cstddef>
#include <vector>

// Node records: ids and coordinates widened to double. Whatever is collected when the
// collector goes, on a refusal or an exception of the database, is written then: the output
// holds every node read before, as when each is written at once.
class CoordinateRows {
 public:
  // Room for up to a chunk of the nodeCount nodes.
  explicit CoordinateRows(int nodeCount);
  ~CoordinateRows() { Write(); }
  CoordinateRows(const CoordinateRows&) = delete;
  CoordinateRows& operator=(const CoordinateRows&) = delete;

  // Collects one node, writing the collected ones first when the chunk is full.
  void Add(int id, double x, double y, double z) {
    if (m_rows == m_capacity) Write();
    m_ids[m_rows] = id;
    double* c = m_xyz.data() + 3 * m_rows;
    c[0] = x;
    c[1] = y;
    c[2] = z;
    ++m_rows;
  }
  // Hands the collected nodes to the writer (PostWriteCoordinateRows).
  void Write();

 private:
  std::size_t m_capacity;
  std::vector<int> m_ids;
  std::vector<double> m_xyz;
  std::size_t m_rows = 0;
};

// Element records: ids and the nnode node ids of each. Like CoordinateRows, it writes what
// it holds when it goes.
class ElementRows {
 public:
  // Room for up to a chunk of the elementCount elements of nnode nodes.
  ElementRows(int elementCount, int nnode);
  ~ElementRows() { Write(); }
  ElementRows(const ElementRows&) = delete;
  ElementRows& operator=(const ElementRows&) = delete;

  // Collects one element and returns the row for its nnode node ids, to be filled before
  // anything else is collected or written; writes the collected ones first when the chunk
  // is full.
  int* Add(int id) {
    if (m_rows == m_capacity) Write();
    m_ids[m_rows] = id;
    return m_nodes.data() + m_rows++ * m_width;
  }
  // Hands the collected elements to the writer (PostWriteElementRows).
  void Write();

 private:
  int m_nnode;
  std::size_t m_width;
  std::size_t m_capacity;
  std::vector<int> m_ids;
  std::vector<int> m_nodes;
  std::size_t m_rows = 0;
};
