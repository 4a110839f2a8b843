// The database object and the session: what openOdb reads at once, and who closes it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "column_reads.h"
#include "odbapi_detail.h"

using odbapi_detail::Connection;
using odbapi_detail::Database;
using odbapi_detail::Fail;
using odbapi_detail::FieldOutputRecord;
using odbapi_detail::Quoted;
using odbapi_detail::Statement;

odb_Odb::odb_Odb(std::shared_ptr<Database> db) : m_db(std::move(db)) {
  if (!m_db) Fail("odb_Odb: no database");
  const Connection& connection = m_db->connection();
  const std::string& path = m_db->path();

  // Instances, ascending id; names are keys.
  {
    Statement rows(connection, "SELECT id, name, embedded_space FROM instance ORDER BY id");
    while (rows.step()) {
      std::int64_t id = rows.columnInt(0);
      std::string name = rows.columnText(1);
      const std::string where = path + ": instance " + Quoted(name);
      int space = odbapi_detail::Int32Column(rows, 2, where, "embedded_space");
      if (m_rootAssembly.instances().isMember(odb_String(name))) {
        Fail(path + ": the instance name " + Quoted(name) + " appears more than once");
      }
      m_rootAssembly.instances().add(odb_String(name), odb_Instance(m_db, id, odb_String(name), space));
      m_db->registerInstance(name, Database::InstanceInfo{id, space});
    }
  }

  // Steps, ascending id, with their frames in seq order and field outputs in id order.
  std::vector<odb_Step> steps;
  std::map<std::int64_t, std::size_t> stepById;
  {
    std::set<std::string> names;
    Statement rows(connection, "SELECT id, name FROM step ORDER BY id");
    while (rows.step()) {
      std::string name = rows.columnText(1);
      if (!names.insert(name).second) {
        Fail(path + ": the step name " + Quoted(name) + " appears more than once");
      }
      stepById[rows.columnInt(0)] = steps.size();
      steps.emplace_back(odb_String(name));
    }
  }
  std::map<std::pair<std::int64_t, std::int64_t>, std::pair<std::size_t, int>> frameByKey;
  {
    Statement rows(connection,
                   "SELECT step_id, seq, description, frame_value FROM frame ORDER BY step_id, seq");
    while (rows.step()) {
      std::string where = path + ": frame";
      std::int64_t stepId = odbapi_detail::IntegerColumn(rows, 0, where, "step_id");
      std::int64_t seq = odbapi_detail::IntegerColumn(rows, 1, where, "seq");
      where += " seq " + std::to_string(seq) + " of step id " + std::to_string(stepId);
      auto step = stepById.find(stepId);
      if (step == stepById.end()) Fail(where + ": there is no step with that id");
      double value = odbapi_detail::RealColumn(rows, 3, where, "frame_value");
      odb_SequenceFrame& frames = steps[step->second].frames();
      int index = frames.size();
      frames.append(odb_Frame(index, odb_String(rows.columnText(2)), static_cast<float>(value)));
      frameByKey[{stepId, seq}] = {step->second, index};
    }
  }
  {
    Statement rows(connection,
                   "SELECT id, step_id, frame_seq, name, description, type, position "
                   "FROM field_output ORDER BY id");
    while (rows.step()) {
      auto record = std::make_shared<FieldOutputRecord>();
      record->id = rows.columnInt(0);
      std::string name = rows.columnText(3);
      const std::string where =
          path + ": field output " + Quoted(name) + " (id " + std::to_string(record->id) + ")";
      std::int64_t stepId = odbapi_detail::IntegerColumn(rows, 1, where, "step_id");
      std::int64_t frameSeq = odbapi_detail::IntegerColumn(rows, 2, where, "frame_seq");
      auto frame = frameByKey.find({stepId, frameSeq});
      if (frame == frameByKey.end()) {
        Fail(where + " has no frame: there is no frame seq " + std::to_string(frameSeq) +
             " of step id " + std::to_string(stepId));
      }
      odb_Step& step = steps[frame->second.first];
      record->name = odb_String(name);
      record->description = odb_String(rows.columnText(4));
      record->type = odbapi_detail::Int32Column(rows, 5, where, "type");
      if (rows.columnType(6) != SQLITE_NULL) {
        record->locations.append(
            odb_FieldLocation(odbapi_detail::Int32Column(rows, 6, where, "position")));
      }
      record->stepName = step.name().CStr();
      record->frameIndex = frame->second.second;
      odb_FieldOutputRepository& outputs = step.frames()[record->frameIndex].fieldOutputs();
      if (outputs.isMember(record->name)) {
        Fail(path + ": the field output name " + Quoted(name) + " appears more than once in frame " +
             std::to_string(record->frameIndex) + " of step " + Quoted(record->stepName));
      }
      const odb_String key = record->name;
      outputs.add(key, odb_FieldOutput(m_db, std::move(record)));
    }
  }
  for (odb_Step& step : steps) {
    const odb_String key = step.name();
    m_steps.add(key, std::move(step));
  }
}

odb_Odb::~odb_Odb() {
  if (m_db) m_db->close();
}

odb_String odb_Odb::name() const { return odb_String(m_db->path()); }

void odb_Odb::close() { m_db->close(); }

// The session: every database opened since odb_initializeAPI, closed by odb_finalizeAPI.
namespace {

struct Session {
  bool initialized = false;
  std::vector<std::unique_ptr<odb_Odb>> open;
};

Session& TheSession() {
  static Session session;
  return session;
}

// The access a caller asked for, which the stand-in does not otherwise heed: with the
// environment variable ODBAPI_OPEN_LOG naming a file, each opening appends a line "read-only"
// or "read-write" and the path, so that tests can see what the vendor's library was asked.
// The file is written in binary mode, so its lines end alike on every system.
void RecordOpening(const char* path, bool readOnly) {
  const char* log = std::getenv("ODBAPI_OPEN_LOG");
  if (log == nullptr || *log == '\0') return;
  std::FILE* file = std::fopen(log, "ab");
  if (file == nullptr) return;
  std::fprintf(file, "%s %s\n", readOnly ? "read-only" : "read-write", path);
  std::fclose(file);
}

}  // namespace

void odb_initializeAPI() { TheSession().initialized = true; }

void odb_finalizeAPI() {
  Session& session = TheSession();
  session.open.clear();
  session.initialized = false;
}

odb_Odb& openOdb(const odb_String& path, bool readOnly, bool /*readInternalSets*/) {
  Session& session = TheSession();
  if (!session.initialized) {
    Fail(std::string(path.CStr()) + ": odb_initializeAPI must be called before openOdb");
  }
  RecordOpening(path.CStr(), readOnly);
  auto odb = std::make_unique<odb_Odb>(Database::Open(path.CStr()));
  session.open.push_back(std::move(odb));
  return *session.open.back();
}

bool isUpgradeRequiredForOdb(const odb_String& path) {
  Connection connection = odbapi_detail::OpenReadOnly(path.CStr());
  int format = odbapi_detail::ReadFormat(connection);
  if (format == odbapi_detail::kPreviousFormat) return true;
  if (format == odbapi_detail::kCurrentFormat) return false;
  odbapi_detail::FailUnknownFormat(path.CStr(), format);
}
