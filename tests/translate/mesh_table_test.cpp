#include "mesh_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ascii_case.h"
#include "mesh_index.h"
#include "post_types.h"

namespace {

MeshTable TableOf(std::initializer_list<const char*> names) {
  MeshTable table(static_cast<int>(names.size()) + 2);
  int i = 0;
  for (const char* name : names) table.Describe(i++, GEOMETRY_HEXAHEDRA, name, name, "C3D8R");
  return table;
}

TEST(MeshNames, InstanceNameWhenFree) {
  MeshTable table(1);
  EXPECT_EQ("PART-1-1", MakeMeshName(table, 0, "PART-1-1", "solid", "C3D8R"));
}

TEST(MeshNames, CaseInsensitiveCollisionAddsTypeThenIndex) {
  MeshTable table = TableOf({"Part-1"});
  EXPECT_EQ(1, MeshNamePosition(table, 1, "PART-1"));
  EXPECT_EQ("PART-1 (S4R)", MakeMeshName(table, 1, "PART-1", "", "S4R"));

  table.Describe(1, GEOMETRY_QUADRILATERAL, "part-1 (s4r)", "x", "S4R");
  // Both the bare name and the typed one are taken: the mesh index is appended.
  EXPECT_EQ("PART-1 (S4R) 2", MakeMeshName(table, 2, "PART-1", "", "S4R"));
  // Without a type the index goes straight onto the bare name.
  EXPECT_EQ("PART-1 2", MakeMeshName(table, 2, "PART-1", "", ""));
}

TEST(MeshNames, SectionCategoryThenDefaultName) {
  MeshTable table(3);
  EXPECT_EQ("shell < STEEL >", MakeMeshName(table, 0, "", "shell < STEEL >", "S4R"));
  // The default name always counts as taken, so it never stands alone.
  EXPECT_EQ(1, MeshNamePosition(table, 0, "ABAQUS MESH"));
  EXPECT_EQ("abaqus mesh (C3D8)", MakeMeshName(table, 0, "", "", "C3D8"));
  EXPECT_EQ("abaqus mesh 0", MakeMeshName(table, 0, nullptr, nullptr, ""));
  EXPECT_EQ(0, MeshNamePosition(table, 0, "abaqus"));
}

TEST(MeshNames, OnlyRecordsBelowCountAreComparedAndTheFirstIsNamed) {
  MeshTable table = TableOf({"A", "B", "b"});
  EXPECT_EQ(2, MeshNamePosition(table, 3, "B"));
  EXPECT_EQ(0, MeshNamePosition(table, 1, "b"));
  EXPECT_EQ(0, MeshNamePosition(table, 3, "c"));
}

TEST(MeshIndex, MatchesInstanceIgnoringCaseAndTypeWhenBothGiven) {
  MeshTable table(3);
  table[0].SetDescription(GEOMETRY_HEXAHEDRA, "solid", "Solid-1", "C3D8R");
  table[1].SetDescription(GEOMETRY_QUADRILATERAL, "shell", "Shell-1", "S4R");
  table[2].SetDescription(GEOMETRY_TRIANGLE, "shell (S3)", "SHELL-1", "S3");
  const MeshIndex meshes(table, 3);

  EXPECT_EQ(&table[0], meshes.Find("c3d8r", "SOLID-1"));
  EXPECT_EQ(&table[0], meshes.Find("", "solid-1"));
  EXPECT_EQ(&table[0], meshes.Find(nullptr, "solid-1"));
  EXPECT_EQ(nullptr, meshes.Find("C3D6", "Solid-1"));
  EXPECT_EQ(&table[1], meshes.Find(nullptr, "shell-1"));
  EXPECT_EQ(&table[2], meshes.Find("s3", "shell-1"));
  EXPECT_EQ(nullptr, MeshIndex(table, 2).Find("S3", "shell-1"));
  EXPECT_EQ(nullptr, meshes.Find(nullptr, "Beam-1"));
}

TEST(MeshIndex, RecordWithoutElementTypeMatchesAnyType) {
  MeshTable table(3);
  table[0].SetDescription(GEOMETRY_LINEAR, "beam", "Beam-1", "B31");
  table[1].SetDescription(GEOMETRY_LINEAR, "beam 1", "Beam-1", "");
  table[2].SetDescription(GEOMETRY_LINEAR, "beam 2", "Beam-1", "T3D2");
  const MeshIndex meshes(table, 3);
  EXPECT_EQ(&table[1], meshes.Find("T3D2", "beam-1"));
  EXPECT_EQ(&table[0], meshes.Find("b31", "beam-1"));
}

// The rule as a scan of the table in order: the index must give the same record for every
// look-up, including names that differ only in case, repeated instances and empty types.
const MeshInfo* ScanForMesh(const char* elementType, const MeshTable& table, int count,
                            const char* instanceName) {
  const bool typeGiven = elementType != nullptr && *elementType != '\0';
  for (int i = 0; i < count; ++i) {
    const MeshInfo& mesh = table[i];
    if (!EqualIgnoringAsciiCase(mesh.instanceName ? mesh.instanceName.get() : "", instanceName)) {
      continue;
    }
    const bool meshTypeKnown = mesh.elementType && mesh.elementType[0] != '\0';
    if (typeGiven && meshTypeKnown && !EqualIgnoringAsciiCase(mesh.elementType.get(), elementType)) {
      continue;
    }
    return &mesh;
  }
  return nullptr;
}

TEST(MeshIndex, FindsWhatAScanInTableOrderFinds) {
  const std::vector<const char*> instances = {"a", "A", "b", "", "Part-1", "PART-1", "part-1x"};
  const std::vector<const char*> types = {"C3D8", "c3d8", "S4R", "", nullptr};
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const int count = static_cast<int>(random() % 9);
    MeshTable table(count + 1);
    for (int i = 0; i < count; ++i) {
      table[i].SetDescription(GEOMETRY_HEXAHEDRA, "m", instances[random() % instances.size()],
                              types[random() % types.size()]);
    }
    const MeshIndex meshes(table, count);
    for (const char* instance : instances) {
      for (const char* type : types) {
        ASSERT_EQ(ScanForMesh(type, table, count, instance), meshes.Find(type, instance))
            << "round " << round << ", instance '" << instance << "', type "
            << (type != nullptr ? type : "null");
      }
    }
  }
}

TEST(MeshInfo, SetDescriptionKeepsPrivateCopies) {
  char name[] = "mesh";
  MeshInfo info;
  EXPECT_EQ(nullptr, info.name.get());
  info.SetDescription(GEOMETRY_TETRAHEDRA, name, "inst", nullptr);
  name[0] = 'X';
  EXPECT_STREQ("mesh", info.name.get());
  EXPECT_EQ(nullptr, info.elementType.get());
  info.SetDescription(GEOMETRY_LINEAR, "other", "inst2", "T3D2");
  EXPECT_STREQ("other", info.name.get());
  EXPECT_EQ(GEOMETRY_LINEAR, info.geometry);
}

}  // namespace
