// Reads a whole database through the ODB API the way a conversion does, and writes nothing:
// every instance's nodes and elements, then every block of every field output of every frame,
// with the value and label arrays and the names a conversion takes from it. The time it prints is the
// API's share of a conversion of the same database.
//
//   api_walk DATABASE
//
// Prints one line: "<seconds> <blocks read> <checksum>" (the checksum keeps the reads from
// being optimised away).
#include <chrono>
#include <cstdio>

#include "field_walk.h"
#include "odb_API.h"
#include "selection.h"

namespace {

struct Totals {
  long long blocks = 0;
  double checksum = 0;
};

void ReadMeshes(odb_Odb& odb, Totals& totals) {
  odb_InstanceRepository& instances = odb.rootAssembly().instances();
  odb_InstanceRepositoryIT entry(instances);
  for (entry.first(); !entry.isDone(); entry.next()) {
    const odb_Instance& instance = instances[entry.currentKey()];
    const odb_SequenceElement& elements = instance.elements();
    const odb_SequenceNode& nodes = instance.nodes();
    for (int i = 0; i < nodes.size(); ++i) {
      const odb_Node node = nodes[i];
      totals.checksum += node.label() + node.coordinates()[0];
    }
    for (int i = 0; i < elements.size(); ++i) {
      const odb_Element element = elements[i];
      int count = 0;
      const int* labels = element.connectivity(count);
      totals.checksum += element.label() + static_cast<int>(element.geometry()) + (count > 0 ? labels[count - 1] : 0);
    }
  }
}

void ReadBlock(const odb_FieldBulkData& block, bool nodal, Totals& totals) {
  const odb_String instance = block.instance().name();
  const odb_String elementType = block.baseElementType();
  const int length = block.length();
  const int width = block.width();
  totals.checksum += instance.Length() + elementType.Length() + width;
  if (length <= 0) return;
  const int* labels = nodal ? block.nodeLabels() : block.elementLabels();
  if (!nodal) {
    const odb_String sectionPoint = block.sectionPoint().description();
    totals.checksum += block.numberOfElements() + sectionPoint.Length();
  }
  // The API has handed the arrays over once it returns them; the walk looks at their ends
  // only, so that its own time stays out of the measure.
  const float* values = block.data();
  const long long count = static_cast<long long>(length) * width;
  if (count > 0) totals.checksum += values[0] + values[count - 1];
  totals.checksum += labels[0] + labels[length - 1];
}

// Every block of every field output.
class ResultReader : public FieldVisitor {
 public:
  explicit ResultReader(Totals& totals) : m_totals(totals) {}
  int FieldOutputFound(odb_FieldOutputRepository& fields, const odb_String& key) override {
    const odb_FieldOutput& field = fields[key];
    const odb_SequenceFieldLocation& locations = field.locations();
    const bool nodal =
        locations.size() > 0 && locations.constGet(0).position() == odb_Enum::NODAL;
    const odb_SequenceFieldBulkData& blocks = field.bulkDataBlocks();
    for (int b = 0; b < blocks.size(); ++b) {
      ReadBlock(blocks[b], nodal, m_totals);
      ++m_totals.blocks;
    }
    return 0;
  }

 private:
  Totals& m_totals;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: api_walk DATABASE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  Totals totals;
  odb_initializeAPI();
  try {
    odb_Odb& odb = openOdb(odb_String(argv[1]));
    ReadMeshes(odb, totals);
    ResultReader results(totals);
    WalkFields(odb, Selection(), results);
  } catch (const odb_Exception& error) {
    std::fprintf(stderr, "api_walk: %s\n", error.UserReport().CStr());
    odb_finalizeAPI();
    return 1;
  }
  odb_finalizeAPI();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  std::printf("%.6f %lld %.6g\n", elapsed.count(), totals.blocks, totals.checksum);
  return 0;
}
