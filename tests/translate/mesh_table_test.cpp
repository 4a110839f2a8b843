#include "mesh_table.h"

#include <gtest/gtest.h>

#include "post_types.h"

namespace {

MeshTable TableOf(std::initializer_list<const char*> names) {
  MeshTable table(static_cast<int>(names.size()) + 2);
  int i = 0;
  for (const char* name : names) table[i++].SetDescription(GEOMETRY_HEXAHEDRA, name, name, "C3D8R");
  return table;
}

TEST(MeshNames, InstanceNameWhenFree) {
  MeshTable table(1);
  EXPECT_EQ("PART-1-1", MakeMeshName(table, 0, "PART-1-1", "solid", "C3D8R"));
}

TEST(MeshNames, CaseInsensitiveCollisionAddsTypeThenIndex) {
  MeshTable table = TableOf({"Part-1"});
  EXPECT_EQ(1, IsMeshNameTaken(table, 1, "PART-1"));
  EXPECT_EQ("PART-1 (S4R)", MakeMeshName(table, 1, "PART-1", "", "S4R"));

  table[1].SetDescription(GEOMETRY_QUADRILATERAL, "part-1 (s4r)", "x", "S4R");
  // Both the bare name and the typed one are taken: the mesh index is appended.
  EXPECT_EQ("PART-1 (S4R) 2", MakeMeshName(table, 2, "PART-1", "", "S4R"));
  // Without a type the index goes straight onto the bare name.
  EXPECT_EQ("PART-1 2", MakeMeshName(table, 2, "PART-1", "", ""));
}

TEST(MeshNames, SectionCategoryThenDefaultName) {
  MeshTable table(3);
  EXPECT_EQ("shell < STEEL >", MakeMeshName(table, 0, "", "shell < STEEL >", "S4R"));
  // The default name always counts as taken, so it never stands alone.
  EXPECT_EQ(1, IsMeshNameTaken(table, 0, "ABAQUS MESH"));
  EXPECT_EQ("abaqus mesh (C3D8)", MakeMeshName(table, 0, "", "", "C3D8"));
  EXPECT_EQ("abaqus mesh 0", MakeMeshName(table, 0, nullptr, nullptr, ""));
  EXPECT_EQ(0, IsMeshNameTaken(table, 0, "abaqus"));
}

TEST(MeshNames, OnlyRecordsBelowCountAreCompared) {
  MeshTable table = TableOf({"A", "B"});
  EXPECT_EQ(2, IsMeshNameTaken(table, 2, "b"));
  EXPECT_EQ(0, IsMeshNameTaken(table, 1, "b"));
}

TEST(FindMesh, MatchesInstanceIgnoringCaseAndTypeWhenBothGiven) {
  MeshTable table(3);
  table[0].SetDescription(GEOMETRY_HEXAHEDRA, "solid", "Solid-1", "C3D8R");
  table[1].SetDescription(GEOMETRY_QUADRILATERAL, "shell", "Shell-1", "S4R");
  table[2].SetDescription(GEOMETRY_TRIANGLE, "shell (S3)", "SHELL-1", "S3");

  EXPECT_EQ(&table[0], FindMesh("c3d8r", table, 3, "SOLID-1"));
  EXPECT_EQ(&table[0], FindMesh("", table, 3, "solid-1"));
  EXPECT_EQ(&table[0], FindMesh(nullptr, table, 3, "solid-1"));
  EXPECT_EQ(nullptr, FindMesh("C3D6", table, 3, "Solid-1"));
  EXPECT_EQ(&table[2], FindMesh("s3", table, 3, "shell-1"));
  EXPECT_EQ(nullptr, FindMesh("S3", table, 2, "shell-1"));
  EXPECT_EQ(nullptr, FindMesh(nullptr, table, 3, "Beam-1"));
}

TEST(FindMesh, RecordWithoutElementTypeMatchesAnyType) {
  MeshTable table(1);
  table[0].SetDescription(GEOMETRY_LINEAR, "beam", "Beam-1", "");
  EXPECT_EQ(&table[0], FindMesh("B31", table, 1, "beam-1"));
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
