// The results side of the ODB API: steps, frames, field outputs and their bulk data.
#pragma once

#include <memory>
#include <vector>

#include "odb_Mesh.h"
#include "odb_Repository.h"
#include "odb_String.h"

namespace odbapi_detail {
class Database;
struct BulkBlockData;
struct FieldOutputRecord;
}  // namespace odbapi_detail

class odb_FieldLocation {
 public:
  explicit odb_FieldLocation(int position) : m_position(position) {}
  odb_Enum::odb_ResultPositionEnum position() const {
    return static_cast<odb_Enum::odb_ResultPositionEnum>(m_position);
  }

 private:
  int m_position;
};

class odb_SequenceFieldLocation {
 public:
  int size() const { return static_cast<int>(m_locations.size()); }
  // Throws odb_Exception for an index outside 0..size-1.
  const odb_FieldLocation& constGet(int i) const;
  void append(const odb_FieldLocation& location) { m_locations.push_back(location); }

 private:
  std::vector<odb_FieldLocation> m_locations;
};

// The stand-in hands values out only through bulk data; this keeps the vendor's call.
class odb_SequenceFieldValue {
 public:
  int size() const { return 0; }
};

class odb_SectionPoint {
 public:
  odb_SectionPoint() = default;
  explicit odb_SectionPoint(odb_String description) : m_description(std::move(description)) {}
  odb_String description() const { return m_description; }

 private:
  odb_String m_description;
};

// One block of a field output's values: length rows of width components.
class odb_FieldBulkData {
 public:
  explicit odb_FieldBulkData(std::shared_ptr<const odbapi_detail::BulkBlockData> data);
  int length() const;
  int width() const;
  odb_Enum::odb_PrecisionEnum precision() const;
  // length * width values, row after row: data() for a single-precision block, dataDouble()
  // for a double-precision one; the other one is null.
  float* data() const;
  double* dataDouble() const;
  // One label per row; throw odb_Exception when the block has rows but no such array.
  int* nodeLabels() const;
  int* elementLabels() const;
  int numberOfElements() const;
  // Not stored by the stand-in: always null.
  int* integrationPoints() const { return nullptr; }
  const odb_Instance& instance() const;
  odb_String baseElementType() const;
  const odb_SectionPoint& sectionPoint() const;
  // One label per component: those the block stores, else the solver's own for a tensor
  // block as wide as its data type's components (S11 S22 S33 S12 S13 S23 ...), else none.
  odb_SequenceString componentLabels() const;

 private:
  std::shared_ptr<const odbapi_detail::BulkBlockData> m_data;
};

class odb_SequenceFieldBulkData {
 public:
  int size() const { return static_cast<int>(m_blocks.size()); }
  // Throw odb_Exception for an index outside 0..size-1.
  const odb_FieldBulkData& operator[](int i) const;
  const odb_FieldBulkData& constGet(int i) const { return (*this)[i]; }
  void append(odb_FieldBulkData block) { m_blocks.push_back(std::move(block)); }

 private:
  std::vector<odb_FieldBulkData> m_blocks;
};

class odb_FieldOutput {
 public:
  odb_FieldOutput() = default;
  odb_FieldOutput(std::shared_ptr<odbapi_detail::Database> db,
                  std::shared_ptr<const odbapi_detail::FieldOutputRecord> record);
  odb_String name() const;
  odb_String description() const;
  odb_Enum::odb_DataTypeEnum type() const;
  const odb_SequenceFieldValue& values() const;
  // Empty when the field output has no location.
  const odb_SequenceFieldLocation& locations() const;
  // Read from the database on each call; the returned sequence holds the values and releases
  // them when it goes (the vendor hands out a reference to a sequence the field output keeps;
  // bind the result to a const reference).
  odb_SequenceFieldBulkData bulkDataBlocks() const;
  // The labels of the field's data type: the name followed by 11 22 33 12 13 23 for a full
  // tensor (fewer for the smaller tensors) or by 1 2 3 for a vector; none for the others.
  odb_SequenceString componentLabels() const;

 private:
  std::shared_ptr<odbapi_detail::Database> m_db;
  std::shared_ptr<const odbapi_detail::FieldOutputRecord> m_record;
};

class odb_FieldOutputRepository : public odbapi_detail::Repository<odb_FieldOutput> {};

class odb_FieldOutputRepositoryIT : public odbapi_detail::RepositoryIterator<odb_FieldOutput> {
 public:
  explicit odb_FieldOutputRepositoryIT(const odb_FieldOutputRepository& repository)
      : RepositoryIterator(repository) {}
};

class odb_Frame {
 public:
  odb_Frame() = default;
  odb_Frame(int index, odb_String description, float frameValue)
      : m_index(index), m_description(std::move(description)), m_frameValue(frameValue) {}
  int frameId() const { return m_index; }
  odb_String description() const { return m_description; }
  float frameValue() const { return m_frameValue; }
  odb_FieldOutputRepository& fieldOutputs() { return m_fieldOutputs; }

 private:
  int m_index = 0;
  odb_String m_description;
  float m_frameValue = 0;
  odb_FieldOutputRepository m_fieldOutputs;
};

class odb_SequenceFrame {
 public:
  int size() const { return static_cast<int>(m_frames.size()); }
  // Throw odb_Exception for an index outside 0..size-1.
  odb_Frame& operator[](int i);
  const odb_Frame& constGet(int i) const;
  void append(odb_Frame frame) { m_frames.push_back(std::move(frame)); }

 private:
  std::vector<odb_Frame> m_frames;
};

class odb_Step {
 public:
  odb_Step() = default;
  explicit odb_Step(odb_String name) : m_name(std::move(name)) {}
  odb_String name() const { return m_name; }
  odb_SequenceFrame& frames() { return m_frames; }

 private:
  odb_String m_name;
  odb_SequenceFrame m_frames;
};

class odb_StepRepository : public odbapi_detail::Repository<odb_Step> {};

class odb_StepRepositoryIT : public odbapi_detail::RepositoryIterator<odb_Step> {
 public:
  explicit odb_StepRepositoryIT(const odb_StepRepository& repository)
      : RepositoryIterator(repository) {}
};
