// The abstract results writer: one object per open Kel post results file.
#pragma once

class CPostFile {
 public:
  // The virtual operations keep this order; each returns 0 on success.
  virtual ~CPostFile();
  // 0 opened, 1 not opened.
  virtual int Open(const char* path) = 0;
  // Closes the file, records the status in g_closeStatus and returns it; 1 when none is open.
  virtual int Close() = 0;
  virtual int Flush() = 0;
  // 1 for the binary variant, 0 for the text ones.
  virtual int IsBinary() = 0;
  // One text line, or one string record in the binary variant.
  virtual int WriteString(const char* s) = 0;
  virtual int BeginCoordinates();
  virtual int BeginElements();
  virtual int BeginValues();
  virtual int EndValues();
  // One value line for id; the id is left out when it repeats m_lastId.
  virtual int WriteValues(int id, int count, const double* values) = 0;
  // As WriteValues, with the count values passed as double arguments.
  virtual int WriteValuesVA(int id, int count, ...) = 0;
  virtual int Write2D(double x, double y);
  virtual int Write3D(double x, double y, double z);
  // One element's connectivity.
  virtual int WriteElem(int id, int count, const int* nodes) = 0;
  virtual int WritePostHeader();

  // Bulk and composite writes. Each default writes through the operations above, one value
  // line or element at a time; a writer overrides one where it can write the same bytes
  // faster.

  // One vector value: x, y and z. The binary writer appends the modulus as a fourth value.
  virtual int WriteVector(int id, double x, double y, double z);
  // count nodes, node i with id ids[i] at xyz[3i], xyz[3i+1], xyz[3i+2]: one
  // WriteValues(ids[i], 3, ...) each. 0, or the first write that failed.
  virtual int WriteCoordinateRows(const int* ids, const double* xyz, int count);
  // count elements of m_nnode nodes each, element i with id ids[i] and its nodes from
  // nodes[i * m_nnode]: one WriteElem(ids[i], m_nnode, ...) each. 0, or the status of the
  // first element refused.
  virtual int WriteElementRows(const int* ids, const int* nodes, int count);
  // rowCount value rows of entity id, each of width single-precision components stored one
  // row after another: per row a scalar (width 1), a vector (2 or 3, a missing z being 0,
  // through WriteVector), a plane-deformation matrix (4) or a matrix (6). 1 for any other
  // width, else 0: like single value records, rows do not report a failed stream, which
  // shows in the end of the values block and the close status.
  virtual int WriteResultRows(int id, const float* rows, int rowCount, int width);
  // The row widths WriteResultRows takes: 1, 2, 3, 4 and 6.
  static bool IsRowWidth(int width) { return (width >= 1 && width <= 4) || width == 6; }

  // The writer's own state, kept by the blocks that begin and end it.

  // The MESH header line; once it is written, elements have nnode nodes.
  int BeginMesh(const char* headerLine, int nnode);
  // "End Coordinates"; the next value line carries its id.
  int EndCoordinates();
  // EndValues; the next value line carries its id.
  int EndResult();
  // One element of m_nnode nodes; 1 when nodes are missing.
  int WriteElement(int id, const int* nodes);

  int LastId() const { return m_lastId; }
  int NodesPerElement() const { return m_nnode; }

  // 0 when count equals m_nnode, 1 when it is one more (a material number follows the
  // nodes), 2 otherwise.
  // Inline: the binary writer asks once per element.
  int CheckConnectivity(int count) const {
    if (count == m_nnode) return 0;
    // Widened so that the comparison cannot overflow.
    if (static_cast<long long>(count) == static_cast<long long>(m_nnode) + 1) return 1;
    return 2;
  }

  CPostFile(const CPostFile&) = delete;
  CPostFile& operator=(const CPostFile&) = delete;

 protected:
  CPostFile() = default;

  // The id of the last value line, so that consecutive lines of one entity share it;
  // -1 at the start of every values and coordinates block.
  int m_lastId = -1;
  // Nodes per element of the current mesh.
  int m_nnode = 0;
};
