// Our stand-in for the part of the vendor's ODB API that the converter uses. It keeps the
// vendor's class and function names and shapes; behind them is a SQLite database file
// (see odbapi/README.md for its schema). Every failure is thrown as odb_Exception.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

class odb_String {
 public:
  odb_String() = default;
  odb_String(const char* text);  // NOLINT: implicit, as the vendor's
  explicit odb_String(std::string text);
  const char* CStr() const { return m_text.c_str(); }
  int Length() const { return static_cast<int>(m_text.size()); }
  bool operator==(const odb_String& other) const { return m_text == other.m_text; }
  bool operator!=(const odb_String& other) const { return m_text != other.m_text; }
  bool operator<(const odb_String& other) const { return m_text < other.m_text; }

 private:
  std::string m_text;
};

class odb_Exception {
 public:
  odb_Exception(const char* type, const std::string& message);
  // The report text: names the file and the problem.
  const char* UserReport() const { return m_message.CStr(); }
  const odb_String& ErrMsg() const { return m_message; }
  const odb_String& ErrType() const { return m_type; }

 private:
  odb_String m_type;
  odb_String m_message;
};

// Codes are passed on as the database holds them; the enums have a fixed int
// representation so that any stored value is a valid enum value.
namespace odb_Enum {
enum odb_DimensionEnum : int { THREE_D = 0, TWO_D_PLANAR = 1, AXISYMMETRIC = 2 };
enum odb_DataTypeEnum : int {
  BOOLEAN = 0,
  INTEGER,
  SCALAR,
  VECTOR,
  MATRIX,
  TENSOR_3D_FULL,
  TENSOR_3D_PLANAR,
  TENSOR_3D_SURFACE,
  TENSOR_2D_PLANAR,
  TENSOR_2D_SURFACE,
  QUATERNION_3D,
  QUATERNION_2D,
  UNDEFINED_DATATYPE
};
enum odb_ResultPositionEnum : int {
  UNDEFINED_POSITION = 0,
  NODAL,
  ELEMENT_NODAL,
  INTEGRATION_POINT,
  CENTROID,
  ELEMENT_FACE,
  WHOLE_ELEMENT,
  WHOLE_REGION,
  WHOLE_PART_INSTANCE,
  WHOLE_MODEL,
  GENERAL_PARTICLE
};
}  // namespace odb_Enum

namespace odbapi_detail {
class Database;
struct NodeData;
struct ElementData;
struct BulkBlockData;
struct FieldOutputRecord;
}  // namespace odbapi_detail

// --- repositories --------------------------------------------------------------------

// A keyed repository whose entries keep the database's order (ascending id).
template <class K, class V>
class odb_Repository {
 public:
  struct Entry {
    K key;
    V value;
  };
  int size() const { return static_cast<int>(m_entries.size()); }
  bool isMember(const K& key) const { return m_index.count(key) != 0; }
  // Lookup by key; throws odb_Exception naming the key when it is absent.
  const V& operator[](const K& key) const;
  const V& get(const K& key) const { return (*this)[key]; }

  // Filling, for the stand-in's reader: refuses a repeated key.
  void add(const K& key, V value);
  const std::vector<Entry>& entries() const { return m_entries; }

 private:
  std::vector<Entry> m_entries;
  std::map<K, std::size_t> m_index;
};

template <class K, class V>
class cow_BtreeIterator {
 public:
  explicit cow_BtreeIterator(const odb_Repository<K, V>& repository) : m_repository(&repository) {}
  void First() { m_position = 0; }
  void Next() {
    if (m_position < m_repository->entries().size()) ++m_position;
  }
  // The current entry, or null once the iterator has passed the last one.
  const typename odb_Repository<K, V>::Entry* CurrentEntry() const {
    return m_position < m_repository->entries().size() ? &m_repository->entries()[m_position]
                                                       : nullptr;
  }
  // Key of the current entry; throws odb_Exception past the end.
  const K& CurrentKey() const;
  const V& CurrentValue() const;

 private:
  const odb_Repository<K, V>* m_repository;
  std::size_t m_position = 0;
};

// --- mesh ----------------------------------------------------------------------------

class odb_Node {
 public:
  odb_Node() = default;
  odb_Node(int label, const float* xyz);
  int label() const { return m_label; }
  // Three single-precision coordinates.
  const float* coordinates() const { return m_coordinates; }

 private:
  int m_label = 0;
  float m_coordinates[3] = {0, 0, 0};
};

class odb_SequenceNode {
 public:
  odb_SequenceNode();
  explicit odb_SequenceNode(std::shared_ptr<const odbapi_detail::NodeData> data);
  int size() const;
  // Throws odb_Exception for an index outside 0..size-1.
  odb_Node operator[](int i) const;
  odb_Node constGet(int i) const { return (*this)[i]; }

 private:
  std::shared_ptr<const odbapi_detail::NodeData> m_data;
};

class odb_SectionCategory {
 public:
  odb_SectionCategory() = default;
  explicit odb_SectionCategory(odb_String name) : m_name(std::move(name)) {}
  const odb_String& name() const { return m_name; }

 private:
  odb_String m_name;
};

// An element read from an element sequence; valid while that sequence exists.
class odb_Element {
 public:
  odb_Element(const odbapi_detail::ElementData* data, int index) : m_data(data), m_index(index) {}
  int label() const;
  odb_String type() const;
  // The node labels of the element; count receives how many there are.
  const int* connectivity(int& count) const;
  odb_SectionCategory sectionCategory() const;
  // The topology code of the element's shape (0: unknown).
  int shape() const;
  odb_String instanceName() const;

 private:
  const odbapi_detail::ElementData* m_data;
  int m_index;
};

class odb_SequenceElement {
 public:
  odb_SequenceElement();
  explicit odb_SequenceElement(std::shared_ptr<const odbapi_detail::ElementData> data);
  int size() const;
  // Throws odb_Exception for an index outside 0..size-1.
  odb_Element operator[](int i) const;
  odb_Element constGet(int i) const { return (*this)[i]; }
  odb_String instanceName() const;

 private:
  std::shared_ptr<const odbapi_detail::ElementData> m_data;
};

class odb_DiscreteEntity {
 public:
  odb_DiscreteEntity() = default;
  odb_DiscreteEntity(std::shared_ptr<odbapi_detail::Database> db, long long id, odb_String name,
                     int embeddedSpace);
  const odb_String& name() const { return m_name; }
  odb_Enum::odb_DimensionEnum embeddedSpace() const {
    return static_cast<odb_Enum::odb_DimensionEnum>(m_embeddedSpace);
  }
  // Read from the database on each call and held by the returned sequence.
  odb_SequenceNode nodes() const;
  odb_SequenceElement elements() const;

 protected:
  std::shared_ptr<odbapi_detail::Database> m_db;  // null: a name that names no instance
  long long m_id = 0;
  odb_String m_name;
  int m_embeddedSpace = 0;
};

class odb_Instance : public odb_DiscreteEntity {
 public:
  using odb_DiscreteEntity::odb_DiscreteEntity;
};

typedef odb_Repository<odb_String, odb_Instance> odb_InstanceRepository;

class odb_Assembly {
 public:
  const odb_InstanceRepository& instances() const { return m_instances; }
  odb_InstanceRepository& instances() { return m_instances; }

 private:
  odb_InstanceRepository m_instances;
};

// --- results -------------------------------------------------------------------------

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
  explicit odb_SequenceFieldValue(int size = 0) : m_size(size) {}
  int size() const { return m_size; }

 private:
  int m_size;
};

class odb_SectionPoint {
 public:
  odb_SectionPoint() = default;
  explicit odb_SectionPoint(odb_String description) : m_description(std::move(description)) {}
  const odb_String& description() const { return m_description; }

 private:
  odb_String m_description;
};

// One block of a field output's values: length rows of width components.
class odb_FieldBulkData {
 public:
  explicit odb_FieldBulkData(std::shared_ptr<const odbapi_detail::BulkBlockData> data);
  int length() const;
  int width() const;
  // length * width single-precision values, row after row.
  const float* data() const;
  // One label per row; throws odb_Exception when the block has no such array.
  const int* nodeLabels() const;
  const int* elementLabels() const;
  int numberOfElements() const;
  // Not stored by the stand-in: always null.
  const int* integrationPoints() const { return nullptr; }
  const odb_Instance& instance() const;
  odb_String baseElementType() const;
  odb_SectionPoint sectionPoint() const;

 private:
  std::shared_ptr<const odbapi_detail::BulkBlockData> m_data;
};

class odb_SequenceFieldBulkData {
 public:
  int size() const { return static_cast<int>(m_blocks.size()); }
  // Throws odb_Exception for an index outside 0..size-1.
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
  odb_SequenceFieldValue values() const;
  // Empty when the field output has no location.
  odb_SequenceFieldLocation locations() const;
  // Read from the database on each call; the returned sequence holds the values.
  odb_SequenceFieldBulkData bulkDataBlocks() const;

 private:
  std::shared_ptr<odbapi_detail::Database> m_db;
  std::shared_ptr<const odbapi_detail::FieldOutputRecord> m_record;
};

typedef odb_Repository<odb_String, odb_FieldOutput> odb_FieldOutputRepository;

class odb_FieldOutputRepositoryIT {
 public:
  explicit odb_FieldOutputRepositoryIT(const odb_FieldOutputRepository& repository)
      : m_iterator(repository) {}
  void First() { m_iterator.First(); }
  void Next() { m_iterator.Next(); }
  // The current item (key and field output), or null past the last one.
  const odb_FieldOutputRepository::Entry* CurrentItem() const { return m_iterator.CurrentEntry(); }

 private:
  cow_BtreeIterator<odb_String, odb_FieldOutput> m_iterator;
};

class odb_Frame {
 public:
  odb_Frame() = default;
  odb_Frame(int index, odb_String description, float frameValue)
      : m_index(index), m_description(std::move(description)), m_frameValue(frameValue) {}
  int frameId() const { return m_index; }
  const odb_String& description() const { return m_description; }
  float frameValue() const { return m_frameValue; }
  const odb_FieldOutputRepository& fieldOutputs() const { return m_fieldOutputs; }
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
  // Throws odb_Exception for an index outside 0..size-1.
  const odb_Frame& operator[](int i) const;
  const odb_Frame& constGet(int i) const { return (*this)[i]; }
  void append(odb_Frame frame) { m_frames.push_back(std::move(frame)); }
  odb_Frame& back() { return m_frames.back(); }

 private:
  std::vector<odb_Frame> m_frames;
};

class odb_Step {
 public:
  odb_Step() = default;
  explicit odb_Step(odb_String name) : m_name(std::move(name)) {}
  const odb_String& name() const { return m_name; }
  const odb_SequenceFrame& frames() const { return m_frames; }
  odb_SequenceFrame& frames() { return m_frames; }

 private:
  odb_String m_name;
  odb_SequenceFrame m_frames;
};

typedef odb_Repository<odb_String, odb_Step> odb_StepRepository;

class odb_StepRepositoryIT {
 public:
  explicit odb_StepRepositoryIT(const odb_StepRepository& repository) : m_iterator(repository) {}
  void first() { m_iterator.First(); }
  void next() { m_iterator.Next(); }
  bool isDone() const { return m_iterator.CurrentEntry() == nullptr; }
  // The current step's name; throws odb_Exception when isDone().
  const odb_String& currentKey() const { return m_iterator.CurrentKey(); }
  const odb_Step& currentValue() const { return m_iterator.CurrentValue(); }

 private:
  cow_BtreeIterator<odb_String, odb_Step> m_iterator;
};

// --- the database ----------------------------------------------------------------------

class odb_Odb {
 public:
  explicit odb_Odb(std::shared_ptr<odbapi_detail::Database> db);
  ~odb_Odb();
  odb_Odb(const odb_Odb&) = delete;
  odb_Odb& operator=(const odb_Odb&) = delete;

  odb_String name() const;
  odb_Assembly& rootAssembly() { return m_rootAssembly; }
  const odb_StepRepository& steps() const { return m_steps; }
  odb_StepRepository& steps() { return m_steps; }

 private:
  std::shared_ptr<odbapi_detail::Database> m_db;
  odb_Assembly m_rootAssembly;
  odb_StepRepository m_steps;
};

// Before any other call and after the last one. Finalising closes every database that
// openOdb opened since initialisation and releases it.
void odb_initializeAPI();
void odb_finalizeAPI();

// True for a database in the previous format.
bool isUpgradeRequiredForOdb(const odb_String& path);
// Writes a current-format copy of source at destination; source is not changed, and a
// failed upgrade leaves no destination.
void upgradeOdb(const odb_String& source, const odb_String& destination);
// Opens a current-format database. The database stays open until odb_finalizeAPI.
odb_Odb& openOdb(const odb_String& path, bool readOnly = true);

// --- template definitions --------------------------------------------------------------

namespace odbapi_detail {
[[noreturn]] void ThrowMissingKey(const char* key);
[[noreturn]] void ThrowRepeatedKey(const char* key);
[[noreturn]] void ThrowPastEnd();
inline const char* KeyText(const odb_String& key) { return key.CStr(); }
}  // namespace odbapi_detail

template <class K, class V>
const V& odb_Repository<K, V>::operator[](const K& key) const {
  auto found = m_index.find(key);
  if (found == m_index.end()) odbapi_detail::ThrowMissingKey(odbapi_detail::KeyText(key));
  return m_entries[found->second].value;
}

template <class K, class V>
void odb_Repository<K, V>::add(const K& key, V value) {
  if (m_index.count(key) != 0) odbapi_detail::ThrowRepeatedKey(odbapi_detail::KeyText(key));
  m_index.emplace(key, m_entries.size());
  m_entries.push_back(Entry{key, std::move(value)});
}

template <class K, class V>
const K& cow_BtreeIterator<K, V>::CurrentKey() const {
  const auto* entry = CurrentEntry();
  if (entry == nullptr) odbapi_detail::ThrowPastEnd();
  return entry->key;
}

template <class K, class V>
const V& cow_BtreeIterator<K, V>::CurrentValue() const {
  const auto* entry = CurrentEntry();
  if (entry == nullptr) odbapi_detail::ThrowPastEnd();
  return entry->value;
}
