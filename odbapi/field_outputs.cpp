// Field outputs and frames: what openOdb reads of them, handed out without further reading.
#include <memory>
#include <string>

#include "odbapi_detail.h"

using odbapi_detail::Fail;
using odbapi_detail::FieldOutputRecord;

const odb_FieldLocation& odb_SequenceFieldLocation::constGet(int i) const {
  if (i < 0 || i >= size()) {
    Fail("location index " + std::to_string(i) + " is out of range (the field output has " +
         std::to_string(size()) + " locations)");
  }
  return m_locations[i];
}


namespace {
const FieldOutputRecord& RecordOf(const std::shared_ptr<const FieldOutputRecord>& record) {
  static const FieldOutputRecord empty;
  return record ? *record : empty;
}
}  // namespace

odb_String odb_FieldOutput::name() const { return RecordOf(m_record).name; }
odb_String odb_FieldOutput::description() const { return RecordOf(m_record).description; }
odb_Enum::odb_DataTypeEnum odb_FieldOutput::type() const {
  return static_cast<odb_Enum::odb_DataTypeEnum>(RecordOf(m_record).type);
}
const odb_SequenceFieldValue& odb_FieldOutput::values() const {
  static const odb_SequenceFieldValue none;
  return none;
}

const odb_SequenceFieldLocation& odb_FieldOutput::locations() const {
  return RecordOf(m_record).locations;
}

odb_SequenceString odb_FieldOutput::componentLabels() const {
  const FieldOutputRecord& record = RecordOf(m_record);
  return odbapi_detail::SolverComponentLabels(record.name, record.type, -1);
}

namespace odbapi_detail {

odb_SequenceString SolverComponentLabels(const odb_String& name, int dataType, int width) {
  static const char* const kTensor[] = {"11", "22", "33", "12", "13", "23"};
  static const char* const kSurface[] = {"11", "22", "12"};
  static const char* const kVector[] = {"1", "2", "3"};
  const char* const* suffixes = kTensor;
  int count = 0;
  switch (dataType) {
    case odb_Enum::TENSOR_3D_FULL:
      count = 6;
      break;
    case odb_Enum::TENSOR_3D_PLANAR:
      count = 4;
      break;
    case odb_Enum::TENSOR_3D_SURFACE:
    case odb_Enum::TENSOR_2D_PLANAR:
    case odb_Enum::TENSOR_2D_SURFACE:
      suffixes = kSurface;
      count = 3;
      break;
    case odb_Enum::VECTOR:
      suffixes = kVector;
      count = 3;
      break;
    default:
      break;
  }
  odb_SequenceString labels;
  if (count == 0 || (width >= 0 && width != count)) return labels;
  for (int i = 0; i < count; ++i) labels.append(odb_String(std::string(name.CStr()) + suffixes[i]));
  return labels;
}

}  // namespace odbapi_detail

odb_FieldOutput::odb_FieldOutput(std::shared_ptr<odbapi_detail::Database> db,
                                 std::shared_ptr<const FieldOutputRecord> record)
    : m_db(std::move(db)), m_record(std::move(record)) {
  if (!m_record) m_record = std::make_shared<FieldOutputRecord>();
}

namespace {
[[noreturn]] void FailFrameIndex(int i, int size) {
  Fail("frame index " + std::to_string(i) + " is out of range (the step has " +
       std::to_string(size) + " frames)");
}
}  // namespace

odb_Frame& odb_SequenceFrame::operator[](int i) {
  if (i < 0 || i >= size()) FailFrameIndex(i, size());
  return m_frames[i];
}

const odb_Frame& odb_SequenceFrame::constGet(int i) const {
  if (i < 0 || i >= size()) FailFrameIndex(i, size());
  return m_frames[i];
}
