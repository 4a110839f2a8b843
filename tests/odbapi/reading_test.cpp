// Reading through the API: orders, values, labels, lookups, and the session.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <set>

#include "odb_builder.h"
#include "test_support.h"

using odbtest::ApiSession;
using odbtest::OdbErrorOf;
using testplatform::ScratchDir;

namespace {

std::vector<std::string> InstanceNames(odb_Odb& odb) {
  std::vector<std::string> names;
  odb_InstanceRepositoryIT it(odb.rootAssembly().instances());
  for (it.first(); !it.isDone(); it.next()) names.push_back(it.currentKey().CStr());
  return names;
}

std::vector<std::string> StepNames(odb_Odb& odb) {
  std::vector<std::string> names;
  odb_StepRepositoryIT it(odb.steps());
  for (it.first(); !it.isDone(); it.next()) names.push_back(it.currentKey().CStr());
  return names;
}

std::vector<std::string> FieldNames(odb_Frame& frame) {
  std::vector<std::string> names;
  odb_FieldOutputRepositoryIT it(frame.fieldOutputs());
  for (it.first(); !it.isDone(); it.next()) names.push_back(it.currentKey().CStr());
  return names;
}

}  // namespace

TEST(Example, MeshesAsShipped) {
  ApiSession session;
  odb_Odb& odb = openOdb(EXAMPLE_ODB_PATH, false);
  EXPECT_EQ(InstanceNames(odb), (std::vector<std::string>{"SOLID-1", "SHELL-1"}));

  const odb_Instance& solid = odb.rootAssembly().instances()["SOLID-1"];
  EXPECT_EQ(solid.embeddedSpace(), odb_Enum::THREE_D);
  odb_SequenceNode nodes = solid.nodes();
  odb_SequenceElement elements = solid.elements();
  ASSERT_EQ(nodes.size(), 11 * 4 * 3);
  ASSERT_EQ(elements.size(), 48 + 12 + 36);
  EXPECT_STREQ(elements[0].instanceName().CStr(), "SOLID-1");
  // Labels 1..n, and every connectivity entry names a node of the instance.
  std::set<int> nodeLabels;
  for (int i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].label(), i + 1);
    nodeLabels.insert(nodes[i].label());
  }
  std::map<std::string, std::pair<int, int>> shapeAndCount;  // type -> (shape, node count)
  for (int i = 0; i < elements.size(); ++i) {
    odb_Element element = elements[i];
    EXPECT_EQ(element.label(), i + 1);
    int count = 0;
    const int* connectivity = element.connectivity(count);
    for (int k = 0; k < count; ++k) EXPECT_EQ(nodeLabels.count(connectivity[k]), 1u);
    shapeAndCount[element.type().CStr()] = {static_cast<int>(element.geometry()), count};
  }
  EXPECT_EQ(shapeAndCount["C3D8R"], std::make_pair(16, 8));
  EXPECT_EQ(shapeAndCount["C3D6"], std::make_pair(15, 6));
  EXPECT_EQ(shapeAndCount["C3D4"], std::make_pair(14, 4));
  EXPECT_STREQ(elements[0].type().CStr(), "C3D8R");
  EXPECT_STREQ(elements[0].sectionCategory().name().CStr(), "Solid < STEEL >");

  odb_SequenceElement shell = odb.rootAssembly().instances()["SHELL-1"].elements();
  ASSERT_EQ(shell.size(), 15);
  EXPECT_STREQ(shell[0].type().CStr(), "S4R");
  EXPECT_EQ(shell[0].geometry(), odb_Enum::QUAD4);
  EXPECT_STREQ(shell[14].type().CStr(), "S3");
  EXPECT_EQ(shell[14].geometry(), odb_Enum::TRIA3);
}

TEST(Example, StepsFramesAndBlocks) {
  ApiSession session;
  odb_Odb& odb = openOdb(EXAMPLE_ODB_PATH, false);
  ASSERT_EQ(StepNames(odb), (std::vector<std::string>{"Step-1", "Step-2"}));
  EXPECT_EQ(odb.steps()["Step-1"].frames().size(), 3);
  EXPECT_EQ(odb.steps()["Step-2"].frames().size(), 4);

  odb_Frame& frame = odb.steps()["Step-2"].frames()[2];
  EXPECT_EQ(frame.frameId(), 2);
  EXPECT_FLOAT_EQ(frame.frameValue(), 0.5f);
  EXPECT_EQ(FieldNames(frame), (std::vector<std::string>{"U", "RF", "S", "E", "PEEQ"}));

  const odb_FieldOutput& u = frame.fieldOutputs().get("U");
  EXPECT_EQ(u.type(), odb_Enum::VECTOR);
  EXPECT_EQ(u.locations().constGet(0).position(), odb_Enum::NODAL);
  odb_SequenceFieldBulkData uBlocks = u.bulkDataBlocks();
  ASSERT_EQ(uBlocks.size(), 2);
  EXPECT_STREQ(uBlocks[0].instance().name().CStr(), "SOLID-1");
  EXPECT_EQ(uBlocks[0].length(), 132);
  EXPECT_EQ(uBlocks[0].width(), 3);
  EXPECT_EQ(uBlocks[0].nodeLabels()[131], 132);

  const odb_FieldOutput& s = frame.fieldOutputs().get("S");
  EXPECT_EQ(s.type(), odb_Enum::TENSOR_3D_FULL);
  EXPECT_EQ(s.locations().constGet(0).position(), odb_Enum::INTEGRATION_POINT);
  odb_SequenceFieldBulkData blocks = s.bulkDataBlocks();
  ASSERT_EQ(blocks.size(), 7);
  // One point per element; solid blocks of width 6, shell blocks of width 3, one block per
  // section point.
  const struct {
    const char* instance;
    const char* type;
    const char* sectionPoint;
    int width, elements, points;
  } expected[] = {
      {"SOLID-1", "C3D8R", "", 6, 48, 1},
      {"SOLID-1", "C3D6", "", 6, 12, 1},
      {"SOLID-1", "C3D4", "", 6, 36, 1},
      {"SHELL-1", "S4R", "SNEG, (fraction = -1.0)", 3, 9, 1},
      {"SHELL-1", "S4R", "SPOS, (fraction = 1.0)", 3, 9, 1},
      {"SHELL-1", "S3", "SNEG, (fraction = -1.0)", 3, 6, 1},
      {"SHELL-1", "S3", "SPOS, (fraction = 1.0)", 3, 6, 1},
  };
  for (int b = 0; b < blocks.size(); ++b) {
    SCOPED_TRACE(b);
    const odb_FieldBulkData& block = blocks[b];
    EXPECT_STREQ(block.instance().name().CStr(), expected[b].instance);
    EXPECT_STREQ(block.baseElementType().CStr(), expected[b].type);
    EXPECT_STREQ(block.sectionPoint().description().CStr(), expected[b].sectionPoint);
    EXPECT_EQ(block.width(), expected[b].width);
    EXPECT_EQ(block.numberOfElements(), expected[b].elements);
    EXPECT_EQ(block.length(), expected[b].elements * expected[b].points);
    // Stored as the solver writes them: six on the solid, the in-plane three on the shell.
    const odb_SequenceString components = block.componentLabels();
    ASSERT_EQ(components.size(), expected[b].width);
    EXPECT_STREQ(components[components.size() - 1].CStr(), expected[b].width == 6 ? "S23" : "S12");
    // The rows of one element follow each other.
    const int* labels = block.elementLabels();
    for (int r = 0; r < block.length(); ++r) {
      EXPECT_EQ(labels[r], labels[r / expected[b].points * expected[b].points]);
    }
  }
  EXPECT_EQ(frame.fieldOutputs().get("PEEQ").type(), odb_Enum::SCALAR);
  EXPECT_EQ(frame.fieldOutputs().get("PEEQ").bulkDataBlocks()[3].width(), 1);
}

// A hand-built database whose rows are inserted out of order: every repository must
// follow ascending id / seq, not insertion order, whether nodes are rows or blocks.
TEST(Reading, OrdersFollowIdAndSeq) {
  for (odbapi::MeshLayout layout : {odbapi::MeshLayout::kRows, odbapi::MeshLayout::kBlocks}) {
    const bool blocks = layout == odbapi::MeshLayout::kBlocks;
    SCOPED_TRACE(blocks ? "blocks" : "rows");
    ScratchDir dir;
    const std::string path = dir.file("order.odb");
    odbapi::OdbBuilder()
        .layout(layout)
        .instance("B")
        .node(20, 0, 0, 0)
        .instance("A")
        .step("Second")
        .frame(1.0, "first built")
        .field("Z", 2, 1)
        .field("A", 2, 1)
        .sql("INSERT INTO instance(id, name, embedded_space) VALUES(0, 'First', 1)")
        .sql(blocks ? "INSERT INTO node_block(instance_id, seq, labels, coordinates)"
                      " VALUES(1, -5, X'0A000000', zeroblob(12))"
                    : "INSERT INTO node(instance_id, seq, label, x, y, z) VALUES(1, -5, 10, 1, 2, 3)")
        .sql("INSERT INTO step(id, name) VALUES(-1, 'First')")
        .sql("INSERT INTO frame(step_id, seq, description, frame_value) VALUES(1, -1, 'earlier', 0.25)")
        .sql("INSERT INTO field_output(id, step_id, frame_seq, name, type) VALUES(0, 1, 0, 'M', 2)")
        .write(path);

    ApiSession session;
    odb_Odb& odb = openOdb(path.c_str());
    EXPECT_EQ(InstanceNames(odb), (std::vector<std::string>{"First", "B", "A"}));
    EXPECT_EQ(odb.rootAssembly().instances()["First"].embeddedSpace(), odb_Enum::TWO_D_PLANAR);
    odb_SequenceNode nodes = odb.rootAssembly().instances()["B"].nodes();
    ASSERT_EQ(nodes.size(), 2);
    EXPECT_EQ(nodes[0].label(), 10);
    EXPECT_EQ(nodes[1].label(), 20);
    EXPECT_EQ(StepNames(odb), (std::vector<std::string>{"First", "Second"}));
    odb_SequenceFrame& frames = odb.steps()["Second"].frames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_STREQ(frames[0].description().CStr(), "earlier");
    EXPECT_EQ(frames[0].frameId(), 0);
    EXPECT_STREQ(frames[1].description().CStr(), "first built");
    EXPECT_EQ(frames[1].frameId(), 1);
    EXPECT_EQ(FieldNames(frames[1]), (std::vector<std::string>{"M", "Z", "A"}));
    EXPECT_EQ(frames[0].fieldOutputs().size(), 0);
  }
}

// Blocks end where they are full and where the element's kind changes: across those ends
// the mesh reads back whole and in order.
TEST(Reading, MeshBlocksReadBackAcrossTheirEnds) {
  ScratchDir dir;
  const std::string path = dir.file("blocks.odb");
  const int rows = static_cast<int>(odbapi::OdbWriter::kMeshBlockRows) + 1;
  odbapi::OdbBuilder builder;
  builder.layout(odbapi::MeshLayout::kBlocks).instance("P");
  for (int i = 0; i < rows; ++i) builder.node(i + 1, i, 0, 0);
  for (int i = 0; i < rows; ++i) builder.element(i + 1, "T3D2", {i + 1, i + 2});
  // The same shape code as T3D2: the type alone ends the block, then the section alone.
  builder.element(rows + 1, "B31", {1, 2}).element(rows + 2, "B31", {2, 3}, "beam");
  builder.write(path);

  ApiSession session;
  const odb_Instance& instance = openOdb(path.c_str()).rootAssembly().instances()["P"];
  odb_SequenceNode nodes = instance.nodes();
  ASSERT_EQ(nodes.size(), rows);
  for (int i : {0, rows - 2, rows - 1}) {
    EXPECT_EQ(nodes[i].label(), i + 1);
    EXPECT_EQ(nodes[i].coordinates()[0], static_cast<float>(i));
  }
  odb_SequenceElement elements = instance.elements();
  ASSERT_EQ(elements.size(), rows + 2);
  int count = 0;
  EXPECT_EQ(elements[rows - 1].connectivity(count)[1], rows + 1);
  EXPECT_STREQ(elements[rows - 1].type().CStr(), "T3D2");
  EXPECT_STREQ(elements[rows].type().CStr(), "B31");
  EXPECT_STREQ(elements[rows].sectionCategory().name().CStr(), "");
  EXPECT_EQ(elements[rows].label(), rows + 1);
  EXPECT_STREQ(elements[rows + 1].sectionCategory().name().CStr(), "beam");
  EXPECT_EQ(elements[rows + 1].connectivity(count)[0], 2);
  EXPECT_EQ(count, 2);
}

TEST(Reading, ValuesAndLabelsExactly) {
  ScratchDir dir;
  const std::string path = dir.file("values.odb");
  const float denormal = FLT_MIN / 8;
  const std::vector<float> data = {0.1f, -0.0f, FLT_MAX, -FLT_MAX, denormal, 1e-30f};
  odbapi::OdbBuilder()
      .instance("P", 2)
      .node(INT_MAX, 0.1, -1e30, 3.5)
      .node(INT_MIN, -2.5, 1.0 / 3.0, 7)
      .element(-3, "B31H", {INT_MAX, INT_MIN}, "beam section")
      .element(9, "MYSTERY", {}, "", 42)
      .step("S")
      .frame()
      .field("X", 12, 99, "odd codes")
      .nodal("P", 3, {INT_MIN, INT_MAX}, data)
      .elemental("P", "B31H", "", 2, 1, {-3, -3, -3}, data)
      .write(path);

  ApiSession session;
  odb_Odb& odb = openOdb(path.c_str());
  const odb_Instance& instance = odb.rootAssembly().instances()["P"];
  EXPECT_EQ(static_cast<int>(instance.embeddedSpace()), 2);
  odb_SequenceNode nodes = instance.nodes();
  ASSERT_EQ(nodes.size(), 2);
  const odb_Node first = nodes[0];  // by value: its coordinates live as long as it does
  const odb_Node second = nodes[1];
  EXPECT_EQ(first.label(), INT_MAX);
  EXPECT_EQ(first.coordinates()[0], 0.1f);
  EXPECT_EQ(first.coordinates()[1], static_cast<float>(-1e30));
  EXPECT_EQ(first.coordinates()[2], 3.5f);
  EXPECT_EQ(second.label(), INT_MIN);
  EXPECT_EQ(second.coordinates()[0], -2.5f);
  EXPECT_EQ(second.coordinates()[1], static_cast<float>(1.0 / 3.0));

  odb_SequenceElement elements = instance.elements();
  ASSERT_EQ(elements.size(), 2);
  EXPECT_EQ(elements[0].label(), -3);
  EXPECT_STREQ(elements[0].type().CStr(), "B31H");
  EXPECT_EQ(elements[0].geometry(), odb_Enum::TWO_NODE_WELD);
  EXPECT_STREQ(elements[0].sectionCategory().name().CStr(), "beam section");
  EXPECT_STREQ(elements[0].instanceName().CStr(), "P");
  int count = -1;
  const int* connectivity = elements[0].connectivity(count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(connectivity[0], INT_MAX);
  EXPECT_EQ(connectivity[1], INT_MIN);
  // A stored shape is passed on, not recomputed, also one outside the geometry class.
  EXPECT_EQ(static_cast<int>(elements[1].geometry()), 42);
  elements[1].connectivity(count);
  EXPECT_EQ(count, 0);

  const odb_FieldOutput& field = odb.steps()["S"].frames()[0].fieldOutputs()["X"];
  EXPECT_EQ(static_cast<int>(field.type()), 12);
  EXPECT_EQ(static_cast<int>(field.locations().constGet(0).position()), 99);
  EXPECT_STREQ(field.description().CStr(), "odd codes");
  odb_SequenceFieldBulkData blocks = field.bulkDataBlocks();
  ASSERT_EQ(blocks.size(), 2);
  EXPECT_EQ(blocks[0].length(), 2);
  EXPECT_EQ(std::memcmp(blocks[0].data(), data.data(), data.size() * sizeof(float)), 0);
  EXPECT_EQ(blocks[0].nodeLabels()[0], INT_MIN);
  EXPECT_EQ(blocks[0].nodeLabels()[1], INT_MAX);
  EXPECT_EQ(blocks[1].length(), 3);
  EXPECT_EQ(blocks[1].width(), 2);
  EXPECT_EQ(blocks[1].numberOfElements(), 1);
  EXPECT_EQ(std::memcmp(blocks[1].data(), data.data(), data.size() * sizeof(float)), 0);
  EXPECT_EQ(blocks[1].elementLabels()[2], -3);
}

TEST(Reading, LookupsIndexesAndMissingArrays) {
  ScratchDir dir;
  const std::string path = dir.file("lookups.odb");
  odbapi::OdbBuilder()
      .instance("PART-1")
      .node(1, 0, 0, 0)
      .element(1, "MASS", {1})
      .step("Step-1")
      .frame()
      .field("NOPOS", 2, std::nullopt)
      .field("U", 3, 1)
      .nodal("ELSEWHERE", 1, {1}, {2.5f})
      .nodal("PART-1", 1, {}, {})
      .field("S", 2, 3)
      .elemental("PART-1", "MASS", "", 1, 1, {1}, {4.0f})
      .sql("UPDATE bulk_block SET element_labels = NULL WHERE field_output_id = 3")
      .sql("UPDATE bulk_block SET node_labels = NULL WHERE field_output_id = 2 AND seq = 1")
      .write(path);

  ApiSession session;
  odb_Odb& odb = openOdb(path.c_str());
  EXPECT_TRUE(odb.rootAssembly().instances().isMember("PART-1"));
  EXPECT_NE(OdbErrorOf([&] { odb.rootAssembly().instances()["PART-2"]; }).find("PART-2"),
            std::string::npos);
  EXPECT_NE(OdbErrorOf([&] { odb.steps()["Step-9"]; }).find("Step-9"), std::string::npos);

  odb_StepRepositoryIT steps(odb.steps());
  steps.first();
  steps.next();
  EXPECT_TRUE(steps.isDone());
  OdbErrorOf([&] { steps.currentKey(); });

  odb_Frame& frame = odb.steps()["Step-1"].frames()[0];
  OdbErrorOf([&] { odb.steps()["Step-1"].frames()[1]; });
  OdbErrorOf([&] { odb.steps()["Step-1"].frames()[-1]; });
  EXPECT_EQ(frame.fieldOutputs().get("NOPOS").locations().size(), 0);
  OdbErrorOf([&] { frame.fieldOutputs().get("NOPOS").locations().constGet(0); });
  OdbErrorOf([&] { frame.fieldOutputs().get("T"); });

  // A block's instance is a name; one that names no instance has no mesh.
  odb_SequenceFieldBulkData u = frame.fieldOutputs()["U"].bulkDataBlocks();
  ASSERT_EQ(u.size(), 2);
  EXPECT_STREQ(u[0].instance().name().CStr(), "ELSEWHERE");
  EXPECT_EQ(u[0].instance().nodes().size(), 0);
  EXPECT_EQ(u[1].instance().nodes().size(), 1);
  OdbErrorOf([&] { u[2]; });
  OdbErrorOf([&] { u[-1]; });
  // The nodal block has no element labels; an empty block gives none without a throw.
  std::string text = OdbErrorOf([&] { u[0].elementLabels(); });
  EXPECT_NE(text.find(path), std::string::npos) << text;
  EXPECT_NE(text.find("no element labels"), std::string::npos) << text;
  EXPECT_EQ(u[1].length(), 0);
  EXPECT_EQ(u[1].nodeLabels(), nullptr);

  text = OdbErrorOf([&] { frame.fieldOutputs()["S"].bulkDataBlocks()[0].elementLabels(); });
  EXPECT_NE(text.find("field output 'S'"), std::string::npos) << text;

  odb_SequenceNode nodes = odb.rootAssembly().instances()["PART-1"].nodes();
  odb_SequenceElement elements = odb.rootAssembly().instances()["PART-1"].elements();
  for (int bad : {-1, 1}) {
    text = OdbErrorOf([&] { nodes[bad]; });
    EXPECT_NE(text.find(path), std::string::npos) << text;
    text = OdbErrorOf([&] { elements[bad]; });
    EXPECT_NE(text.find("out of range"), std::string::npos) << text;
  }
}

TEST(Session, FinaliseClosesAndNothingIsWritten) {
  ScratchDir dir;
  const std::string path = dir.file("session.odb");
  odbapi::OdbBuilder().instance("A").node(1, 0, 0, 0).step("S").frame().field("U", 3, 1)
      .nodal("A", 1, {1}, {1.0f}).write(path);
  const std::vector<char> before = odbtest::FileBytes(path);

  odb_finalizeAPI();
  std::string text = OdbErrorOf([&] { openOdb(path.c_str()); });
  EXPECT_NE(text.find("odb_initializeAPI"), std::string::npos) << text;

  odb_initializeAPI();
  odb_Odb& first = openOdb(path.c_str(), false);
  odb_Odb& second = openOdb(path.c_str(), false);
  EXPECT_NE(&first, &second);
  EXPECT_STREQ(first.name().CStr(), path.c_str());
  odb_Instance kept = first.rootAssembly().instances()["A"];
  odb_SequenceNode nodes = kept.nodes();
  odb_SequenceFieldBulkData blocks =
      second.steps()["S"].frames()[0].fieldOutputs()["U"].bulkDataBlocks();
  odb_finalizeAPI();

  // What was read stays readable; reading more from a finalised database throws.
  EXPECT_EQ(nodes[0].label(), 1);
  EXPECT_EQ(blocks[0].data()[0], 1.0f);
  text = OdbErrorOf([&] { kept.nodes(); });
  EXPECT_NE(text.find(path), std::string::npos) << text;
  EXPECT_NE(text.find("closed"), std::string::npos) << text;
  EXPECT_EQ(odbtest::FileBytes(path), before);
}
