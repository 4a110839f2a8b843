// Builds a stand-in database from the fuzzer's bytes -- rows of every table with values of
// any SQLite type, blobs of any size, damaged schemas and formats -- then reads it the way the
// converter does and converts it with the odbpost command in an interpreter of its own.
//
// What must hold for every input:
//  * reading through the API fails only with odb_Exception;
//  * the command never lets anything escape, and a failure leaves a message;
//  * a conversion that succeeds writes a file that kelpost-dump's reader accepts.
// The translation library asks for Tcl's stub table; this file makes the interpreter itself,
// so it calls the library directly.
#undef USE_TCL_STUBS
#include <tcl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "field_walk.h"
#include "kelpost_reader.h"
#include "odb_API.h"
#include "odb_builder.h"
#include "selection.h"

extern "C" int Odbpost_Init(Tcl_Interp* interp);

namespace {

// ---- SQL literals of any type -----------------------------------------------------------

std::string TextLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\0') break;  // a literal cannot hold NUL; the text ends there
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string BlobLiteral(const std::string& bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = "X'";
  for (unsigned char c : bytes) {
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out + "'";
}

std::string RealLiteral(double value) {
  if (std::isnan(value)) return "NULL";
  if (std::isinf(value)) return value > 0 ? "9e999" : "-9e999";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string Int32Blob(const std::vector<std::int32_t>& values) {
  std::string bytes;
  for (std::int32_t v : values) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((u >> shift) & 0xff);
  }
  return bytes;
}

// Names from a small set, so that keys repeat and blocks find their instances.
const char* const kNames[] = {"PART-1", "PART-2", "Step-1", "U", "S", "PEEQ", "", "A\"=B"};
const char* const kTypes[] = {"C3D8R", "C3D8", "C3D6", "C3D4", "C3D10", "C3D20R", "S4R", "S3",
                              "CPS4", "CPE8", "T3D2", "B32", "MASS", "XYZ", ""};

class RowMaker {
 public:
  explicit RowMaker(FuzzedDataProvider& in) : in_(in) {}

  // Mostly a small integer (so ids and labels meet); sometimes any 64-bit value; sometimes a
  // value of another type altogether.
  std::string Integer(std::int64_t low, std::int64_t high) {
    switch (Deviation()) {
      case 0: return std::to_string(in_.ConsumeIntegralInRange<std::int64_t>(low, high));
      case 1: return std::to_string(in_.ConsumeIntegral<std::int64_t>());
      case 2: return std::to_string(in_.ConsumeIntegral<std::int32_t>());
      default: return Other();
    }
  }
  std::string Real() {
    return Deviation() == 0 ? RealLiteral(in_.ConsumeFloatingPoint<double>()) : Other();
  }
  std::string Name() {
    switch (Deviation()) {
      case 0: return TextLiteral(in_.PickValueInArray(kNames));
      case 1: return TextLiteral(in_.ConsumeRandomLengthString(40));
      case 2: return TextLiteral(std::string(in_.ConsumeIntegralInRange<int>(0, 3000), 'N'));
      default: return Other();
    }
  }
  std::string Type() {
    return Deviation() == 0 ? TextLiteral(in_.PickValueInArray(kTypes)) : Name();
  }
  // An int32 array blob of count values, sometimes with stray bytes at its end.
  std::string Int32Array(std::size_t count, std::int32_t low, std::int32_t high) {
    if (Deviation() == 3) return Other();
    std::vector<std::int32_t> values;
    for (std::size_t i = 0; i < count; ++i) {
      values.push_back(in_.ConsumeBool() ? in_.ConsumeIntegralInRange(low, high)
                                         : in_.ConsumeIntegral<std::int32_t>());
    }
    std::string bytes = Int32Blob(values);
    if (Deviation() == 2) Resize(bytes);
    return BlobLiteral(bytes);
  }
  std::string FloatArray(std::size_t count) {
    if (Deviation() == 3) return Other();
    std::string bytes = in_.ConsumeBytesAsString(count * 4);
    bytes.resize(count * 4, '\0');
    if (Deviation() == 2) Resize(bytes);
    return BlobLiteral(bytes);
  }
  std::size_t Count(std::size_t most) { return in_.ConsumeIntegralInRange<std::size_t>(0, most); }
  std::int64_t Small(std::int64_t low, std::int64_t high) {
    return in_.ConsumeIntegralInRange<std::int64_t>(low, high);
  }

 private:
  // 0: the intended kind; 1..2: another value of it; 3: another type.
  int Deviation() {
    const auto roll = in_.ConsumeIntegral<std::uint8_t>();
    if (roll < 224) return 0;
    return 1 + roll % 3;
  }
  // A blob a few bytes shorter or longer than its row says.
  void Resize(std::string& bytes) {
    const int delta = in_.ConsumeIntegralInRange<int>(-5, 5);
    if (delta < 0 && bytes.size() >= static_cast<std::size_t>(-delta)) {
      bytes.resize(bytes.size() - static_cast<std::size_t>(-delta));
    } else if (delta > 0) {
      bytes.append(static_cast<std::size_t>(delta), '\x01');
    }
  }
  std::string Other() {
    switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
      case 0: return "NULL";
      case 1: return std::to_string(in_.ConsumeIntegral<std::int64_t>());
      case 2: return RealLiteral(in_.ConsumeFloatingPoint<double>());
      case 3: return TextLiteral(in_.ConsumeRandomLengthString(12));
      default: return BlobLiteral(in_.ConsumeRandomLengthString(12));
    }
  }
  FuzzedDataProvider& in_;
};

// Damage to the schema or the format, applied after the rows.
const char* const kDamage[] = {
    "PRAGMA user_version = 0",
    "PRAGMA user_version = 3",
    "PRAGMA user_version = 1",
    "DROP TABLE bulk_block",
    "DROP TABLE frame",
    "ALTER TABLE element DROP COLUMN shape",
    "ALTER TABLE bulk_block DROP COLUMN element_labels",
    "ALTER TABLE node RENAME COLUMN z TO w",
    "ALTER TABLE node_block DROP COLUMN coordinates",
    "ALTER TABLE element_block RENAME COLUMN node_count TO nodes",
    "ALTER TABLE field_output DROP COLUMN position",
    // Every block double precision, or single with the column present.
    "ALTER TABLE bulk_block ADD COLUMN \"precision\" INTEGER DEFAULT 1",
    "ALTER TABLE bulk_block ADD COLUMN \"precision\" INTEGER DEFAULT 0",
};

void WriteDatabase(FuzzedDataProvider& in, const std::string& path) {
  // Format 1 now and then; otherwise nodes and elements as rows or as blocks.
  const int pick = in.ConsumeIntegralInRange<int>(0, 15);
  const int format = pick == 0 ? 1 : 2;
  const bool blocks = pick % 2 == 1;
  // Mostly small pages, which keep thousands of files a second cheap to write, and now and
  // then the writer's default; blobs then lie on the page or spread over overflow chains.
  // Chosen by the input's length, so that the bytes keep the meaning the seeds were made for.
  const int pageSizes[] = {512, 1024, 4096, odbapi::OdbWriter::kDefaultPageSize};
  const std::size_t length = in.remaining_bytes();
  const int pageSize = pageSizes[length % 8 == 0 ? 3 : length % 3];
  odbapi::OdbWriter writer(path, format, pageSize,
                           blocks ? odbapi::MeshLayout::kBlocks : odbapi::MeshLayout::kRows);
  RowMaker make(in);
  const std::size_t rows = in.ConsumeIntegralInRange<std::size_t>(0, 48);
  for (std::size_t r = 0; r < rows && in.remaining_bytes() > 0; ++r) {
    std::string sql;
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
      case 0:
        sql = "INSERT INTO instance(id, name, embedded_space) VALUES(" + make.Integer(1, 3) + "," +
              make.Name() + "," + make.Integer(0, 3) + ")";
        break;
      case 1:
        if (blocks) {
          const std::size_t count = make.Count(8);
          sql = "INSERT INTO node_block(instance_id, seq, labels, coordinates) VALUES(" +
                make.Integer(1, 3) + "," + make.Integer(0, 3) + "," + make.Int32Array(count, -2, 12) +
                "," + make.FloatArray(3 * count) + ")";
          break;
        }
        sql = "INSERT INTO node(instance_id, seq, label, x, y, z) VALUES(" + make.Integer(1, 3) +
              "," + make.Integer(0, 9) + "," + make.Integer(-2, 12) + "," + make.Real() + "," +
              make.Real() + "," + make.Real() + ")";
        break;
      case 2: {
        if (blocks) {
          const std::size_t count = make.Count(6);
          const std::int64_t nodes = make.Small(0, 20);
          sql = "INSERT INTO element_block(instance_id, seq, type, shape, section_category,"
                " node_count, labels, connectivity) VALUES(" + make.Integer(1, 3) + "," +
                make.Integer(0, 3) + "," + make.Type() + "," + make.Integer(-1, 20) + "," +
                make.Name() + "," + (in.ConsumeBool() ? std::to_string(nodes) : make.Integer(-2, 30)) +
                "," + make.Int32Array(count, -2, 12) + "," +
                make.Int32Array(count * static_cast<std::size_t>(nodes), -2, 12) + ")";
          break;
        }
        const std::string head = "INSERT INTO element(instance_id, seq, label, type, " +
                                 std::string(format == 2 ? "shape, " : "") +
                                 "section_category, connectivity) VALUES(" + make.Integer(1, 3) +
                                 "," + make.Integer(0, 5) + "," + make.Integer(-2, 12) + "," +
                                 make.Type() + ",";
        sql = head + (format == 2 ? make.Integer(-1, 20) + "," : "") + make.Name() + "," +
              make.Int32Array(make.Count(24), -2, 12) + ")";
        break;
      }
      case 3:
        sql = "INSERT INTO step(id, name) VALUES(" + make.Integer(1, 3) + "," + make.Name() + ")";
        break;
      case 4:
        sql = "INSERT INTO frame(step_id, seq, description, frame_value) VALUES(" +
              make.Integer(1, 3) + "," + make.Integer(0, 3) + "," + make.Name() + "," +
              make.Real() + ")";
        break;
      case 5:
        sql = "INSERT INTO field_output(id, step_id, frame_seq, name, description, type, position)"
              " VALUES(" + make.Integer(1, 4) + "," + make.Integer(1, 3) + "," + make.Integer(0, 3) +
              "," + make.Name() + "," + make.Name() + "," + make.Integer(0, 13) + "," +
              make.Integer(-1, 6) + ")";
        break;
      default: {
        // Width and length first, so that the blobs usually have the sizes they declare.
        const std::int64_t width = make.Small(0, 7);
        const std::int64_t length = make.Small(0, 12);
        const std::string declared = in.ConsumeBool() ? std::to_string(width) + "," +
                                                            std::to_string(length)
                                                      : make.Integer(-2, 8) + "," +
                                                            make.Integer(-2, 1 << 30);
        const auto values = static_cast<std::size_t>(width * length);
        const std::string nodeLabels =
            in.ConsumeBool() ? make.Int32Array(static_cast<std::size_t>(length), -2, 12) : "NULL";
        const std::string elementLabels =
            in.ConsumeBool() ? make.Int32Array(static_cast<std::size_t>(length), -2, 12) : "NULL";
        sql = "INSERT INTO bulk_block(field_output_id, seq, instance, element_type, section_point,"
              " width, length, element_count, data, node_labels, element_labels) VALUES(" +
              make.Integer(1, 4) + "," + make.Integer(0, 3) + "," + make.Name() + "," +
              make.Type() + "," + make.Name() + "," + declared + "," + make.Integer(-1, 6) + "," +
              make.FloatArray(values) + "," + nodeLabels + "," + elementLabels + ")";
        break;
      }
    }
    try {
      writer.exec(sql);
    } catch (const odb_Exception&) {
      // A row the schema refuses (NULL in a NOT NULL column, a repeated primary key).
    }
  }
  if (in.ConsumeIntegralInRange<int>(0, 11) == 0) {
    try {
      writer.exec(in.PickValueInArray(kDamage));
    } catch (const odb_Exception&) {
    }
  }
  writer.commit();
}

// ---- reading everything the converter reads ------------------------------------------

volatile float g_sink;

void Touch(const float* values, std::size_t count) {
  float sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += values[i];
  g_sink = sum;
}

void Touch(const double* values, std::size_t count) {
  double sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += values[i];
  g_sink = static_cast<float>(sum);
}

void Touch(const int* values, std::size_t count) {
  long long sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += values[i];
  g_sink = static_cast<float>(sum);
}

void WalkInstance(const odb_Instance& instance) {
  instance.name().CStr();
  instance.embeddedSpace();
  const odb_SequenceNode& nodes = instance.nodes();
  for (int i = 0; i < nodes.size(); ++i) {
    const odb_Node node = nodes[i];
    Touch(node.coordinates(), 3);
    g_sink = static_cast<float>(node.label());
  }
  const odb_SequenceElement& elements = instance.elements();
  for (int i = 0; i < elements.size(); ++i) {
    const odb_Element element = elements[i];
    int count = -1;
    const int* labels = element.connectivity(count);
    if (count < 0) std::abort();
    Touch(labels, static_cast<std::size_t>(count));
    element.type();
    element.label();
    element.geometry();
    element.sectionCategory().name();
    element.instanceName();
  }
}

void WalkBlock(const odb_FieldBulkData& block) {
  const int length = block.length();
  const int width = block.width();
  if (length < 0 || width < 0) std::abort();  // the API promises to refuse these
  const std::size_t values = static_cast<std::size_t>(length) * static_cast<std::size_t>(width);
  // Only the array of the block's precision exists.
  if (block.precision() == odb_Enum::DOUBLE_PRECISION) {
    if (block.data() != nullptr) std::abort();
    Touch(block.dataDouble(), values);
  } else {
    if (block.dataDouble() != nullptr) std::abort();
    Touch(block.data(), values);
  }
  try {
    Touch(block.nodeLabels(), static_cast<std::size_t>(length));
  } catch (const odb_Exception&) {
  }
  try {
    Touch(block.elementLabels(), static_cast<std::size_t>(length));
  } catch (const odb_Exception&) {
  }
  block.numberOfElements();
  block.baseElementType();
  block.sectionPoint().description();
  block.instance().name();
}

// Everything of every field output.
class FieldReader : public FieldVisitor {
 public:
  int FieldOutputFound(odb_FieldOutputRepository& fields, const odb_String& key) override {
    const odb_FieldOutput& output = fields[key];
    output.name();
    output.description();
    output.type();
    output.values();
    const odb_SequenceFieldLocation& locations = output.locations();
    if (locations.size() > 0) locations.constGet(0).position();
    const odb_SequenceFieldBulkData& blocks = output.bulkDataBlocks();
    for (int b = 0; b < blocks.size(); ++b) WalkBlock(blocks[b]);
    return 0;
  }
};

void Walk(const std::string& path, const std::string& upgraded) {
  odb_initializeAPI();
  try {
    odb_String name(path.c_str());
    if (isUpgradeRequiredForOdb(name)) {
      upgradeOdb(name, odb_String(upgraded.c_str()));
      name = odb_String(upgraded.c_str());
    }
    odb_Odb& odb = openOdb(name, true);
    odb_InstanceRepository& instances = odb.rootAssembly().instances();
    odb_InstanceRepositoryIT entry(instances);
    for (entry.first(); !entry.isDone(); entry.next()) {
      WalkInstance(instances[entry.currentKey()]);
    }
    FieldReader fields;
    WalkFields(odb, Selection(), fields);
  } catch (const odb_Exception& e) {
    if (e.UserReport().Length() == 0) std::abort();
  }
  odb_finalizeAPI();
}

// ---- the conversion ---------------------------------------------------------------------

Tcl_Interp* Interpreter() {
  static Tcl_Interp* interp = [] {
    Tcl_FindExecutable(nullptr);
    Tcl_Interp* created = Tcl_CreateInterp();
    if (Odbpost_Init(created) != TCL_OK) std::abort();
    // Progress reports must find their command, as under the tools' script.
    Tcl_Eval(created, "namespace eval abaqus {proc UpdateAdvanceBar {value} {}}");
    return created;
  }();
  return interp;
}

void Convert(const std::string& path, const std::string& output) {
  Tcl_Interp* interp = Interpreter();
  Tcl_Obj* words[3] = {Tcl_NewStringObj("odbpost", -1), Tcl_NewStringObj(path.c_str(), -1),
                       Tcl_NewStringObj(output.c_str(), -1)};
  Tcl_Obj* command = Tcl_NewListObj(3, words);
  Tcl_IncrRefCount(command);
  const int code = Tcl_EvalObjEx(interp, command, TCL_EVAL_DIRECT);
  Tcl_DecrRefCount(command);
  if (code != TCL_OK) {
    // Every failure explains itself.
    if (Tcl_GetCharLength(Tcl_GetObjResult(interp)) == 0) std::abort();
    return;
  }
  kelpost::FileSource file(output);
  try {
    kelpost::Decode(file, nullptr);
  } catch (const kelpost::Error& e) {
    std::fprintf(stderr, "converted file does not read back: %s\n", e.what());
    std::abort();
  }
}

std::string WorkDirectory() {
  const char* base = std::getenv("ODBPOST_FUZZ_TMPDIR");
  std::string dir = base != nullptr ? base : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
  return dir + "/odb_fuzz." + std::to_string(getpid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string base = WorkDirectory();
  const std::string path = base + ".odb";
  const std::string upgraded = base + "_upgraded.odb";
  const std::string output = base + ".kel";
  FuzzedDataProvider in(data, size);
  WriteDatabase(in, path);
  Walk(path, upgraded);
  Convert(path, output);
  std::remove(path.c_str());
  std::remove(upgraded.c_str());
  std::remove(output.c_str());
  return 0;
}
