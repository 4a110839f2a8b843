// Writes stand-in databases: OdbWriter streams rows into a new file, OdbBuilder describes a
// whole database in a few calls and writes it. For tests and the odbsynth tool.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mesh_layout.h"

namespace odbapi_detail {
class Connection;
class Statement;
}  // namespace odbapi_detail

namespace odbapi {

// One bulk block as stored. A length of -1 is taken from the labels (or data / width).
struct OdbBlock {
  std::string instance;
  std::string elementType;
  std::string sectionPoint;
  std::int64_t width = 0;
  std::int64_t length = -1;
  std::int64_t elementCount = 0;
  std::vector<float> data;
  // Present: the data blob holds these 8-byte values instead of data's.
  std::optional<std::vector<double>> dataDouble;
  // Present: written to bulk_block's precision column, which is then added to the table
  // (0 single, 1 double; other values for deliberately bad files). Absent: 1 when dataDouble
  // is present, else no value (the column stays absent unless another block needs it).
  std::optional<int> precision;
  // Present: written to bulk_block's component_labels column (labels separated by one blank),
  // which is then added to the table. Absent: NULL (no column unless another block needs it).
  std::optional<std::string> componentLabels;
  std::optional<std::vector<int>> nodeLabels;     // absent: NULL
  std::optional<std::vector<int>> elementLabels;  // absent: NULL
};

// Creates a database at path (replacing any file there) in the given format (1 or 2) and
// writes rows into it inside one transaction. commit() ends it; a writer destroyed without
// commit removes the file. Values are written as given, without checks. With the block layout
// (format 2 only) nodes and elements are gathered into blocks: an instance's nodes and
// elements are then given in their order, which makes their seq, and a block ends where the
// instance (or, for elements, the type, shape, section or node count) changes, or when it is
// full. The page size (a
// power of two from 512 to 65536) is SQLite's; the default, the largest, makes bulk blobs
// quick to read, while small pages make small files (the fuzzer writes thousands).
class OdbWriter {
 public:
  static constexpr int kDefaultPageSize = 65536;
  // The most nodes or elements a block holds.
  static constexpr std::size_t kMeshBlockRows = 65536;

  OdbWriter(const std::string& path, int format = 2, int pageSize = kDefaultPageSize,
            MeshLayout layout = MeshLayout::kRows);
  ~OdbWriter();
  OdbWriter(const OdbWriter&) = delete;
  OdbWriter& operator=(const OdbWriter&) = delete;

  void addInstance(std::int64_t id, const std::string& name, int embeddedSpace);
  void addNode(std::int64_t instanceId, std::int64_t seq, int label, double x, double y, double z);
  // The shape is not written in format 1.
  void addElement(std::int64_t instanceId, std::int64_t seq, int label, const std::string& type,
                  int shape, const std::string& sectionCategory, const int* nodes, std::size_t count);
  void addStep(std::int64_t id, const std::string& name);
  void addFrame(std::int64_t stepId, std::int64_t seq, const std::string& description, double value);
  void addFieldOutput(std::int64_t id, std::int64_t stepId, std::int64_t frameSeq,
                      const std::string& name, const std::string& description, int type,
                      std::optional<int> position);
  void addBlock(std::int64_t fieldOutputId, std::int64_t seq, const OdbBlock& block);
  // Raw SQL, run inside the transaction, after the rows added so far are written.
  void exec(const std::string& sql);
  void commit();
  int format() const { return m_format; }

 private:
  void Start();
  void WriteMeshBlocks();
  // The update of one optional column of a block (?1 the value, ?2 the field output, ?3 the
  // block's seq), the column added first when the table has none.
  odbapi_detail::Statement& blockColumnUpdate(bool& added, const std::string& column,
                                              const std::string& definition);
  struct Statements;
  struct MeshBlocks;
  std::string m_path;
  int m_format;
  int m_pageSize;
  std::unique_ptr<odbapi_detail::Connection> m_connection;
  std::unique_ptr<Statements> m_statements;
  std::unique_ptr<MeshBlocks> m_blocks;  // the block layout: the nodes and elements not yet written
  bool m_committed = false;
  bool m_hasPrecisionColumn = false;
  bool m_hasLabelsColumn = false;
  std::unique_ptr<odbapi_detail::Statement> m_columnUpdate;
};

// A whole database described call by call: ids and seq numbers follow the order of the
// calls (instances and steps from 1, nodes, elements, frames and blocks from 0, field
// outputs from 1 across the database). Misuse (a node before any instance, ...) throws
// std::invalid_argument.
class OdbBuilder {
 public:
  static constexpr int kComputedShape = -1000000;  // shape taken from the type name

  explicit OdbBuilder(int format = 2) : m_format(format) {}
  OdbBuilder& format(int format);
  OdbBuilder& layout(MeshLayout layout);
  OdbBuilder& instance(const std::string& name, int embeddedSpace = 0);
  OdbBuilder& node(int label, double x, double y, double z);
  OdbBuilder& element(int label, const std::string& type, std::vector<int> nodes,
                      const std::string& sectionCategory = "", int shape = kComputedShape);
  OdbBuilder& step(const std::string& name);
  OdbBuilder& frame(double value = 0, const std::string& description = "");
  OdbBuilder& field(const std::string& name, int type, std::optional<int> position,
                    const std::string& description = "");
  // A nodal block: one row per label.
  OdbBuilder& nodal(const std::string& instance, int width, std::vector<int> labels = {},
                    std::vector<float> values = {});
  // A per-element block: one row per label (an element's points follow each other).
  OdbBuilder& elemental(const std::string& instance, const std::string& elementType,
                        const std::string& sectionPoint, int width, int elementCount,
                        std::vector<int> labels = {}, std::vector<float> values = {});
  OdbBuilder& block(OdbBlock block);
  // Appends one row (label and values) to the last block.
  OdbBuilder& row(int label, const std::vector<float>& values);
  // Sets the last block's precision code (see OdbBlock::precision).
  OdbBuilder& precision(int code);
  // Sets the last block's component labels (see OdbBlock::componentLabels).
  OdbBuilder& labels(const std::string& componentLabels);
  // Appends one row of double-precision values to the last block, which becomes a
  // double-precision block.
  OdbBuilder& rowDouble(int label, const std::vector<double>& values);
  // Raw SQL run after everything else, for deliberately bad files.
  OdbBuilder& sql(const std::string& statement);

  void write(const std::string& path, int pageSize = OdbWriter::kDefaultPageSize) const;

 private:
  struct Element {
    int label;
    std::string type;
    int shape;
    std::string section;
    std::vector<int> nodes;
  };
  struct Node {
    int label;
    double x, y, z;
  };
  struct Instance {
    std::string name;
    int space;
    std::vector<Node> nodes;
    std::vector<Element> elements;
  };
  struct Field {
    std::string name;
    std::string description;
    int type;
    std::optional<int> position;
    std::vector<OdbBlock> blocks;
  };
  struct Frame {
    double value;
    std::string description;
    std::vector<Field> fields;
  };
  struct Step {
    std::string name;
    std::vector<Frame> frames;
  };
  Field& lastField();
  // The last block of the last field; what says what needs it, for the refusal.
  OdbBlock& lastBlock(const char* what);
  // The last block, with label appended to its label arrays: the start of every row.
  OdbBlock& blockOfNewRow(int label);

  int m_format;
  MeshLayout m_layout = MeshLayout::kRows;
  std::vector<Instance> m_instances;
  std::vector<Step> m_steps;
  std::vector<std::string> m_sql;
};

}  // namespace odbapi
