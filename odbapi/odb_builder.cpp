#include "odb_builder.h"

#include <cstdio>
#include <map>
#include <stdexcept>

#include "element_shapes.h"
#include "file_system.h"
#include "odbapi_detail.h"

namespace odbapi {

using odbapi_detail::Connection;
using odbapi_detail::Statement;

// In the block layout, node and element insert blocks into node_block and element_block.
struct OdbWriter::Statements {
  Statement instance, node, element, step, frame, fieldOutput, block;
};

// The block of nodes and the block of elements being gathered, and the seq of each instance's
// next block.
struct OdbWriter::MeshBlocks {
  std::int64_t nodeInstance = 0;
  std::vector<int> nodeLabels;
  std::vector<float> coordinates;

  std::int64_t elementInstance = 0;
  std::string type;
  int shape = 0;
  std::string section;
  std::size_t nodeCount = 0;
  std::vector<int> elementLabels;
  std::vector<int> connectivity;

  std::map<std::int64_t, std::int64_t> nextNodeBlock;
  std::map<std::int64_t, std::int64_t> nextElementBlock;
};

namespace {
void RemoveDatabaseFiles(const std::string& path) {
  platform::RemoveFile(path);
  platform::RemoveFile(path + "-journal");
}

void BindLabels(Statement& statement, int index, const std::optional<std::vector<int>>& labels) {
  if (labels) {
    statement.bindBlob(index, labels->data(), labels->size() * sizeof(int));
  } else {
    statement.bindNull(index);
  }
}
}  // namespace

OdbWriter::OdbWriter(const std::string& path, int format, int pageSize, MeshLayout layout)
    : m_path(path), m_format(format), m_pageSize(pageSize) {
  if (format != odbapi_detail::kCurrentFormat && format != odbapi_detail::kPreviousFormat) {
    throw std::invalid_argument("format must be 1 or 2, not " + std::to_string(format));
  }
  if (layout == MeshLayout::kBlocks && format != odbapi_detail::kCurrentFormat) {
    throw std::invalid_argument("meshes in blocks need format 2");
  }
  if (layout == MeshLayout::kBlocks) m_blocks = std::make_unique<MeshBlocks>();
  if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
    throw std::invalid_argument("page size must be a power of two from 512 to 65536, not " +
                                std::to_string(pageSize));
  }
  RemoveDatabaseFiles(path);
  try {
    Start();
  } catch (...) {
    m_statements.reset();
    m_connection.reset();
    RemoveDatabaseFiles(path);
    throw;
  }
}

void OdbWriter::Start() {
  const std::string& path = m_path;
  const int format = m_format;
  m_connection = std::make_unique<Connection>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  // One writer, one transaction, no journal: a failed write removes the file anyway.
  // The page size first, before any table exists: bulk blobs span many pages, and large
  // ones (the default) let a reader fetch each with a few large reads.
  m_connection->exec(
      "PRAGMA page_size = " + std::to_string(m_pageSize) +
          "; PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA cache_size = -131072;"
          "PRAGMA locking_mode = EXCLUSIVE; BEGIN;",
      "cannot start writing");
  const bool blocks = m_blocks != nullptr;
  // The format first, so that raw SQL run later may still change it.
  const MeshLayout layout = blocks ? MeshLayout::kBlocks : MeshLayout::kRows;
  m_connection->exec(odbapi_detail::SchemaSql(format, layout) + "PRAGMA user_version = " +
                         std::to_string(format) + ";",
                     "cannot create the tables");
  const char* nodeSql =
      "INSERT INTO node(instance_id, seq, label, x, y, z) VALUES(?1, ?2, ?3, ?4, ?5, ?6)";
  const char* elementSql =
      "INSERT INTO element(instance_id, seq, label, type, shape, section_category, connectivity)"
      " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)";
  if (blocks) {
    nodeSql =
        "INSERT INTO node_block(instance_id, seq, labels, coordinates) VALUES(?1, ?2, ?3, ?4)";
    elementSql =
        "INSERT INTO element_block(instance_id, seq, type, shape, section_category, node_count,"
        " labels, connectivity) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)";
  } else if (format == odbapi_detail::kPreviousFormat) {
    elementSql =
        "INSERT INTO element(instance_id, seq, label, type, section_category, connectivity)"
        " VALUES(?1, ?2, ?3, ?4, ?6, ?7)";
  }
  m_statements.reset(new Statements{
      Statement(*m_connection, "INSERT INTO instance(id, name, embedded_space) VALUES(?1, ?2, ?3)"),
      Statement(*m_connection, nodeSql),
      Statement(*m_connection, elementSql),
      Statement(*m_connection, "INSERT INTO step(id, name) VALUES(?1, ?2)"),
      Statement(*m_connection,
                "INSERT INTO frame(step_id, seq, description, frame_value) VALUES(?1, ?2, ?3, ?4)"),
      Statement(*m_connection,
                "INSERT INTO field_output(id, step_id, frame_seq, name, description, type, position)"
                " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"),
      Statement(*m_connection,
                "INSERT INTO bulk_block(field_output_id, seq, instance, element_type, section_point,"
                " width, length, element_count, data, node_labels, element_labels)"
                " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"),
  });
}

OdbWriter::~OdbWriter() {
  m_statements.reset();
  if (m_connection) m_connection->close();
  if (!m_committed) RemoveDatabaseFiles(m_path);
}

namespace {
void Run(Statement& statement) {
  statement.step();
  statement.reset();
}
}  // namespace

void OdbWriter::addInstance(std::int64_t id, const std::string& name, int embeddedSpace) {
  Statement& s = m_statements->instance;
  s.bindInt(1, id);
  s.bindText(2, name);
  s.bindInt(3, embeddedSpace);
  Run(s);
}

void OdbWriter::addNode(std::int64_t instanceId, std::int64_t seq, int label, double x, double y,
                        double z) {
  if (m_blocks) {
    MeshBlocks& b = *m_blocks;
    const bool full = b.nodeLabels.size() == kMeshBlockRows;
    if (!b.nodeLabels.empty() && (b.nodeInstance != instanceId || full)) WriteMeshBlocks();
    b.nodeInstance = instanceId;
    b.nodeLabels.push_back(label);
    b.coordinates.insert(b.coordinates.end(),
                         {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    return;
  }
  Statement& s = m_statements->node;
  s.bindInt(1, instanceId);
  s.bindInt(2, seq);
  s.bindInt(3, label);
  s.bindDouble(4, x);
  s.bindDouble(5, y);
  s.bindDouble(6, z);
  Run(s);
}

void OdbWriter::addElement(std::int64_t instanceId, std::int64_t seq, int label,
                           const std::string& type, int shape, const std::string& sectionCategory,
                           const int* nodes, std::size_t count) {
  if (m_blocks) {
    MeshBlocks& b = *m_blocks;
    if (!b.elementLabels.empty() &&
        (b.elementInstance != instanceId || b.type != type || b.shape != shape ||
         b.section != sectionCategory || b.nodeCount != count ||
         b.elementLabels.size() == kMeshBlockRows)) {
      WriteMeshBlocks();
    }
    if (b.elementLabels.empty()) {
      b.elementInstance = instanceId;
      b.type = type;
      b.shape = shape;
      b.section = sectionCategory;
      b.nodeCount = count;
    }
    b.elementLabels.push_back(label);
    b.connectivity.insert(b.connectivity.end(), nodes, nodes + count);
    return;
  }
  Statement& s = m_statements->element;
  s.bindInt(1, instanceId);
  s.bindInt(2, seq);
  s.bindInt(3, label);
  s.bindText(4, type);
  if (m_format == odbapi_detail::kCurrentFormat) s.bindInt(5, shape);
  s.bindText(6, sectionCategory);
  s.bindBlob(7, nodes, count * sizeof(int));
  Run(s);
}

// Writes the blocks gathered so far, nodes first.
void OdbWriter::WriteMeshBlocks() {
  if (!m_blocks) return;
  MeshBlocks& b = *m_blocks;
  if (!b.nodeLabels.empty()) {
    Statement& s = m_statements->node;
    s.bindInt(1, b.nodeInstance);
    s.bindInt(2, b.nextNodeBlock[b.nodeInstance]++);
    s.bindBlob(3, b.nodeLabels.data(), b.nodeLabels.size() * sizeof(int));
    s.bindBlob(4, b.coordinates.data(), b.coordinates.size() * sizeof(float));
    Run(s);
    b.nodeLabels.clear();
    b.coordinates.clear();
  }
  if (!b.elementLabels.empty()) {
    Statement& s = m_statements->element;
    s.bindInt(1, b.elementInstance);
    s.bindInt(2, b.nextElementBlock[b.elementInstance]++);
    s.bindText(3, b.type);
    s.bindInt(4, b.shape);
    s.bindText(5, b.section);
    s.bindInt(6, static_cast<std::int64_t>(b.nodeCount));
    s.bindBlob(7, b.elementLabels.data(), b.elementLabels.size() * sizeof(int));
    s.bindBlob(8, b.connectivity.data(), b.connectivity.size() * sizeof(int));
    Run(s);
    b.elementLabels.clear();
    b.connectivity.clear();
  }
}

void OdbWriter::addStep(std::int64_t id, const std::string& name) {
  Statement& s = m_statements->step;
  s.bindInt(1, id);
  s.bindText(2, name);
  Run(s);
}

void OdbWriter::addFrame(std::int64_t stepId, std::int64_t seq, const std::string& description,
                         double value) {
  Statement& s = m_statements->frame;
  s.bindInt(1, stepId);
  s.bindInt(2, seq);
  s.bindText(3, description);
  s.bindDouble(4, value);
  Run(s);
}

void OdbWriter::addFieldOutput(std::int64_t id, std::int64_t stepId, std::int64_t frameSeq,
                               const std::string& name, const std::string& description, int type,
                               std::optional<int> position) {
  Statement& s = m_statements->fieldOutput;
  s.bindInt(1, id);
  s.bindInt(2, stepId);
  s.bindInt(3, frameSeq);
  s.bindText(4, name);
  s.bindText(5, description);
  s.bindInt(6, type);
  if (position) {
    s.bindInt(7, *position);
  } else {
    s.bindNull(7);
  }
  Run(s);
}

// Older files have neither the precision nor the component_labels column of bulk_block: a
// column is added only for a database that needs it, and then kept for its later blocks.
Statement& OdbWriter::blockColumnUpdate(bool& added, const std::string& column,
                                        const std::string& definition) {
  if (!added) {
    const std::string what = "cannot add the " + column + " column";
    m_connection->exec("ALTER TABLE bulk_block ADD COLUMN " + column + " " + definition,
                       what.c_str());
    added = true;
  }
  m_columnUpdate = std::make_unique<Statement>(
      *m_connection, "UPDATE bulk_block SET " + column +
                         " = ?1 WHERE field_output_id = ?2 AND seq = ?3");
  return *m_columnUpdate;
}

void OdbWriter::addBlock(std::int64_t fieldOutputId, std::int64_t seq, const OdbBlock& block) {
  std::int64_t length = block.length;
  if (length < 0) {
    if (block.nodeLabels) {
      length = static_cast<std::int64_t>(block.nodeLabels->size());
    } else if (block.elementLabels) {
      length = static_cast<std::int64_t>(block.elementLabels->size());
    } else {
      const std::size_t values = block.dataDouble ? block.dataDouble->size() : block.data.size();
      length = block.width > 0 ? static_cast<std::int64_t>(values) / block.width : 0;
    }
  }
  Statement& s = m_statements->block;
  s.bindInt(1, fieldOutputId);
  s.bindInt(2, seq);
  s.bindText(3, block.instance);
  s.bindText(4, block.elementType);
  s.bindText(5, block.sectionPoint);
  s.bindInt(6, block.width);
  s.bindInt(7, length);
  s.bindInt(8, block.elementCount);
  if (block.dataDouble) {
    s.bindBlob(9, block.dataDouble->data(), block.dataDouble->size() * sizeof(double));
  } else {
    s.bindBlob(9, block.data.data(), block.data.size() * sizeof(float));
  }
  BindLabels(s, 10, block.nodeLabels);
  BindLabels(s, 11, block.elementLabels);
  Run(s);

  if (block.componentLabels) {
    Statement& update = blockColumnUpdate(m_hasLabelsColumn, "component_labels", "TEXT");
    update.bindText(1, *block.componentLabels);
    update.bindInt(2, fieldOutputId);
    update.bindInt(3, seq);
    Run(update);
  }
  const std::optional<int> precision =
      block.precision ? block.precision : (block.dataDouble ? std::optional<int>(1) : std::nullopt);
  if (precision) {
    Statement& update =
        blockColumnUpdate(m_hasPrecisionColumn, "\"precision\"", "INTEGER NOT NULL DEFAULT 0");
    update.bindInt(1, *precision);
    update.bindInt(2, fieldOutputId);
    update.bindInt(3, seq);
    Run(update);
  }
}

void OdbWriter::exec(const std::string& sql) {
  WriteMeshBlocks();
  m_connection->exec(sql, "cannot run SQL");
}

void OdbWriter::commit() {
  WriteMeshBlocks();
  m_statements.reset();
  m_connection->exec("COMMIT", "cannot commit");
  m_connection->close();
  m_committed = true;
}

// --- OdbBuilder ------------------------------------------------------------------------

OdbBuilder& OdbBuilder::format(int format) {
  m_format = format;
  return *this;
}

OdbBuilder& OdbBuilder::layout(MeshLayout layout) {
  m_layout = layout;
  return *this;
}

OdbBuilder& OdbBuilder::instance(const std::string& name, int embeddedSpace) {
  m_instances.push_back(Instance{name, embeddedSpace, {}, {}});
  return *this;
}

OdbBuilder& OdbBuilder::node(int label, double x, double y, double z) {
  if (m_instances.empty()) throw std::invalid_argument("a node needs an instance before it");
  m_instances.back().nodes.push_back(Node{label, x, y, z});
  return *this;
}

OdbBuilder& OdbBuilder::element(int label, const std::string& type, std::vector<int> nodes,
                                const std::string& sectionCategory, int shape) {
  if (m_instances.empty()) throw std::invalid_argument("an element needs an instance before it");
  if (shape == kComputedShape) shape = ElementShapeCode(type.c_str());
  m_instances.back().elements.push_back(Element{label, type, shape, sectionCategory, std::move(nodes)});
  return *this;
}

OdbBuilder& OdbBuilder::step(const std::string& name) {
  m_steps.push_back(Step{name, {}});
  return *this;
}

OdbBuilder& OdbBuilder::frame(double value, const std::string& description) {
  if (m_steps.empty()) throw std::invalid_argument("a frame needs a step before it");
  m_steps.back().frames.push_back(Frame{value, description, {}});
  return *this;
}

OdbBuilder& OdbBuilder::field(const std::string& name, int type, std::optional<int> position,
                              const std::string& description) {
  if (m_steps.empty() || m_steps.back().frames.empty()) {
    throw std::invalid_argument("a field needs a frame before it");
  }
  m_steps.back().frames.back().fields.push_back(Field{name, description, type, position, {}});
  return *this;
}

OdbBuilder::Field& OdbBuilder::lastField() {
  if (m_steps.empty() || m_steps.back().frames.empty() || m_steps.back().frames.back().fields.empty()) {
    throw std::invalid_argument("a block needs a field before it");
  }
  return m_steps.back().frames.back().fields.back();
}

OdbBuilder& OdbBuilder::nodal(const std::string& instance, int width, std::vector<int> labels,
                              std::vector<float> values) {
  OdbBlock b;
  b.instance = instance;
  b.width = width;
  b.data = std::move(values);
  b.nodeLabels = std::move(labels);
  return block(std::move(b));
}

OdbBuilder& OdbBuilder::elemental(const std::string& instance, const std::string& elementType,
                                  const std::string& sectionPoint, int width, int elementCount,
                                  std::vector<int> labels, std::vector<float> values) {
  OdbBlock b;
  b.instance = instance;
  b.elementType = elementType;
  b.sectionPoint = sectionPoint;
  b.width = width;
  b.elementCount = elementCount;
  b.data = std::move(values);
  b.elementLabels = std::move(labels);
  return block(std::move(b));
}

OdbBuilder& OdbBuilder::block(OdbBlock block) {
  lastField().blocks.push_back(std::move(block));
  return *this;
}

OdbBlock& OdbBuilder::lastBlock(const char* what) {
  Field& field = lastField();
  if (field.blocks.empty()) throw std::invalid_argument(std::string(what) + " a block before it");
  return field.blocks.back();
}

OdbBlock& OdbBuilder::blockOfNewRow(int label) {
  OdbBlock& b = lastBlock("a row needs");
  if (b.nodeLabels) b.nodeLabels->push_back(label);
  if (b.elementLabels) b.elementLabels->push_back(label);
  return b;
}

OdbBuilder& OdbBuilder::precision(int code) {
  lastBlock("a precision needs").precision = code;
  return *this;
}

OdbBuilder& OdbBuilder::labels(const std::string& componentLabels) {
  lastBlock("labels need").componentLabels = componentLabels;
  return *this;
}

OdbBuilder& OdbBuilder::rowDouble(int label, const std::vector<double>& values) {
  OdbBlock& b = blockOfNewRow(label);
  if (!b.dataDouble) b.dataDouble.emplace();
  b.dataDouble->insert(b.dataDouble->end(), values.begin(), values.end());
  return *this;
}

OdbBuilder& OdbBuilder::row(int label, const std::vector<float>& values) {
  OdbBlock& b = blockOfNewRow(label);
  b.data.insert(b.data.end(), values.begin(), values.end());
  return *this;
}

OdbBuilder& OdbBuilder::sql(const std::string& statement) {
  m_sql.push_back(statement);
  return *this;
}

void OdbBuilder::write(const std::string& path, int pageSize) const {
  OdbWriter writer(path, m_format, pageSize, m_layout);
  for (std::size_t i = 0; i < m_instances.size(); ++i) {
    const Instance& instance = m_instances[i];
    const auto id = static_cast<std::int64_t>(i + 1);
    writer.addInstance(id, instance.name, instance.space);
    for (std::size_t n = 0; n < instance.nodes.size(); ++n) {
      const Node& node = instance.nodes[n];
      writer.addNode(id, static_cast<std::int64_t>(n), node.label, node.x, node.y, node.z);
    }
    for (std::size_t e = 0; e < instance.elements.size(); ++e) {
      const Element& element = instance.elements[e];
      writer.addElement(id, static_cast<std::int64_t>(e), element.label, element.type, element.shape,
                        element.section, element.nodes.data(), element.nodes.size());
    }
  }
  std::int64_t fieldId = 0;
  for (std::size_t s = 0; s < m_steps.size(); ++s) {
    const auto stepId = static_cast<std::int64_t>(s + 1);
    writer.addStep(stepId, m_steps[s].name);
    for (std::size_t f = 0; f < m_steps[s].frames.size(); ++f) {
      const Frame& frame = m_steps[s].frames[f];
      writer.addFrame(stepId, static_cast<std::int64_t>(f), frame.description, frame.value);
      for (const Field& field : frame.fields) {
        writer.addFieldOutput(++fieldId, stepId, static_cast<std::int64_t>(f), field.name,
                              field.description, field.type, field.position);
        for (std::size_t b = 0; b < field.blocks.size(); ++b) {
          writer.addBlock(fieldId, static_cast<std::int64_t>(b), field.blocks[b]);
        }
      }
    }
  }
  for (const std::string& statement : m_sql) writer.exec(statement);
  writer.commit();
}

}  // namespace odbapi
