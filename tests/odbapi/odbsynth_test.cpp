// odbsynth: a database from a text description, its errors, the grid and the instances.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "test_support.h"

using odbtest::ApiSession;
using testplatform::ScratchDir;

namespace {

struct SynthRun {
  int status;
  std::string errors;
};

SynthRun Odbsynth(const ScratchDir& dir, const std::string& arguments) {
  const std::string errors = dir.file("stderr.txt");
  const int status = std::system(
      (testplatform::ShellPath(ODBSYNTH_PATH) + " " + arguments + " 2>" + errors).c_str());
  std::ifstream in(errors);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return SynthRun{testplatform::ExitCode(status), text};
}

SynthRun Build(const ScratchDir& dir, const std::string& description, const std::string& output) {
  const std::string path = dir.file("model.txt");
  std::ofstream(path) << description;
  return Odbsynth(dir, "build " + path + " " + output);
}

}  // namespace

TEST(OdbsynthBuild, SmallDescription) {
  ScratchDir dir;
  const std::string path = dir.file("small.odb");
  const SynthRun run = Build(dir, R"DESC(# two triangles and one field per kind
instance "PART 1" 0
node 1 0 0 0
node 2 1.5 0 0
node 3 0 2 -1e-3
element 7 S3 - "Shell < \"ALU\" \\ >" 1 2 3
element 8 FOO 42 "" 3 2 1
  step Step-1
frame
frame 0.5 "Increment 1"
field U 3 1 "Spatial displacement"
nodal "PART 1" 3
row 1 0 0 0
row 3 0.25 -1 1e10
field S 5 3
elemental "PART 1" S3 "SNEG, (fraction = -1.0)" 2 1
row 7 1 2
row 7 3 4
field X 2 none
sql UPDATE step SET name = 'Renamed'
)DESC",
                        path);
  ASSERT_EQ(run.status, 0) << run.errors;

  ApiSession session;
  odb_Odb& odb = openOdb(path.c_str());
  const odb_Instance& instance = odb.rootAssembly().instances()["PART 1"];
  odb_SequenceNode nodes = instance.nodes();
  ASSERT_EQ(nodes.size(), 3);
  const odb_Node third = nodes[2];
  EXPECT_EQ(third.coordinates()[2], -1e-3f);
  odb_SequenceElement elements = instance.elements();
  ASSERT_EQ(elements.size(), 2);
  EXPECT_EQ(elements[0].label(), 7);
  EXPECT_EQ(static_cast<int>(elements[0].geometry()), 10);
  EXPECT_STREQ(elements[0].sectionCategory().name().CStr(), "Shell < \"ALU\" \\ >");
  EXPECT_EQ(static_cast<int>(elements[1].geometry()), 42);
  EXPECT_STREQ(elements[1].sectionCategory().name().CStr(), "");
  int count = 0;
  EXPECT_EQ(elements[1].connectivity(count)[0], 3);
  EXPECT_EQ(count, 3);

  odb_Step& step = odb.steps()["Renamed"];
  ASSERT_EQ(step.frames().size(), 2);
  EXPECT_STREQ(step.frames()[1].description().CStr(), "Increment 1");
  EXPECT_FLOAT_EQ(step.frames()[1].frameValue(), 0.5f);
  odb_FieldOutputRepository& fields = step.frames()[1].fieldOutputs();
  odb_SequenceFieldBulkData u = fields["U"].bulkDataBlocks();
  ASSERT_EQ(u.size(), 1);
  EXPECT_EQ(u[0].length(), 2);
  EXPECT_EQ(u[0].nodeLabels()[1], 3);
  EXPECT_EQ(u[0].data()[5], 1e10f);
  odb_SequenceFieldBulkData s = fields["S"].bulkDataBlocks();
  EXPECT_STREQ(s[0].sectionPoint().description().CStr(), "SNEG, (fraction = -1.0)");
  EXPECT_EQ(s[0].numberOfElements(), 1);
  EXPECT_EQ(s[0].length(), 2);
  EXPECT_EQ(s[0].data()[3], 4.0f);
  EXPECT_EQ(fields["X"].locations().size(), 0);
}

TEST(OdbsynthBuild, BadDescriptionsNameTheLine) {
  ScratchDir dir;
  const struct {
    const char* description;
    const char* expected;
  } cases[] = {
      {"instance P 0\nnode 1 0 0\n", "line 2: usage: node LABEL X Y Z"},
      {"instance P 0\n\n# c\nnode 1 0 zero 0\n", "line 4: bad coordinate 'zero'"},
      {"instance P 0\nnode 1.5 0 0 0\n", "line 2: bad label '1.5'"},
      {"explode\n", "line 1: unknown statement 'explode'"},
      {"node 1 0 0 0\n", "line 1: a node needs an instance before it"},
      {"instance \"P 0\n", "line 1: unterminated quoted text"},
      {"step S\nframe\nfield U 3 1\nnodal P 3\nrow 1 0 0\n", "line 5: the row has 2 values"},
      {"step S\nframe\nfield U 3 1\nrow 1 0\n", "line 4: a row needs a nodal or elemental block"},
      {"instance P 0\nformat 1\n", "line 2: format must come before everything else"},
      {"sql NOT SQL AT ALL\n", "cannot run SQL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    const std::string output = dir.file("bad.odb");
    const SynthRun run = Build(dir, c.description, output);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.errors.find(c.expected), std::string::npos) << run.errors;
    EXPECT_FALSE(odbtest::FileExists(output));
  }
}

TEST(OdbsynthGrid, SmallGridCounts) {
  ScratchDir dir;
  const std::string path = dir.file("grid.odb");
  ASSERT_EQ(Odbsynth(dir, "grid " + path + " --n 2 --steps 1 --frames 3").status, 0);
  EXPECT_NE(Odbsynth(dir, "grid " + path + " --n x").status, 0);

  ApiSession session;
  odb_Odb& odb = openOdb(path.c_str());
  const odb_Instance& instance = odb.rootAssembly().instances()["PART-1-1"];
  EXPECT_EQ(instance.nodes().size(), 27);
  odb_SequenceElement elements = instance.elements();
  ASSERT_EQ(elements.size(), 8);
  EXPECT_EQ(static_cast<int>(elements[0].geometry()), 16);
  ASSERT_EQ(odb.steps().size(), 1);
  ASSERT_EQ(odb.steps()["Step-1"].frames().size(), 3);
  odb_FieldOutputRepository& fields = odb.steps()["Step-1"].frames()[2].fieldOutputs();
  odb_SequenceFieldBulkData s = fields["S"].bulkDataBlocks();
  EXPECT_EQ(s[0].numberOfElements(), 8);
  EXPECT_EQ(s[0].length(), 64);
  EXPECT_EQ(s[0].width(), 6);
  EXPECT_EQ(fields["PEEQ"].bulkDataBlocks()[0].width(), 1);
  EXPECT_EQ(fields["U"].bulkDataBlocks()[0].length(), 27);
}

TEST(OdbsynthInstances, OneBlockPerInstanceAndField) {
  ScratchDir dir;
  const std::string path = dir.file("instances.odb");
  ASSERT_EQ(Odbsynth(dir, "instances " + path + " --count 3 --frames 2").status, 0);
  EXPECT_NE(Odbsynth(dir, "instances " + path + " --count 0").status, 0);
  EXPECT_NE(Odbsynth(dir, "instances " + path + " --n 3").status, 0);

  ApiSession session;
  odb_Odb& odb = openOdb(path.c_str());
  odb_InstanceRepository& instances = odb.rootAssembly().instances();
  ASSERT_EQ(instances.size(), 3);
  EXPECT_EQ(instances["CELL-3"].nodes().size(), 8);
  ASSERT_EQ(instances["CELL-3"].elements().size(), 1);
  EXPECT_EQ(static_cast<int>(instances["CELL-3"].elements()[0].geometry()), 16);
  ASSERT_EQ(odb.steps()["Step-1"].frames().size(), 2);
  odb_FieldOutputRepository& fields = odb.steps()["Step-1"].frames()[1].fieldOutputs();
  odb_SequenceFieldBulkData peeq = fields["PEEQ"].bulkDataBlocks();
  ASSERT_EQ(peeq.size(), 3);
  EXPECT_STREQ(peeq[2].instance().name().CStr(), "CELL-3");
  EXPECT_STREQ(peeq[2].baseElementType().CStr(), "C3D8");
  EXPECT_EQ(peeq[2].numberOfElements(), 1);
  EXPECT_EQ(peeq[2].length(), 8);
  odb_SequenceFieldBulkData u = fields["U"].bulkDataBlocks();
  ASSERT_EQ(u.size(), 3);
  EXPECT_STREQ(u[1].instance().name().CStr(), "CELL-2");
  EXPECT_EQ(u[1].length(), 8);
  EXPECT_EQ(u[1].nodeLabels()[7], 8);
}
