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

  // 0 when count equals m_nnode, 1 when it is one more (a material number follows the
  // nodes), 2 otherwise.
  // Inline: the binary writer asks once per element.
  int CheckConnectivity(int count) const {
    if (count == m_nnode) return 0;
    // Widened so that the comparison cannot overflow.
    if (static_cast<long long>(count) == static_cast<long long>(m_nnode) + 1) return 1;
    return 2;
  }

  // The id of the last value line, so that consecutive lines of one entity share it;
  // -1 at the start of every values and coordinates block.
  int m_lastId = -1;
  // Nodes per element of the current mesh.
  int m_nnode = 0;

  CPostFile(const CPostFile&) = delete;
  CPostFile& operator=(const CPostFile&) = delete;

 protected:
  CPostFile() = default;
};
