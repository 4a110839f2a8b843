// What the results writer can write but the reader refuses, as kelpost-dump's help lists it:
// each is written through the writer and read back in every variant it concerns.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kelpost_reader.h"
#include "post_ascii.h"
#include "post_interface.h"
#include "test_platform.h"

namespace {

namespace fs = std::filesystem;

// One mesh of a single two-node bar, nodes 1 and 2, element 1.
void WriteBar(int nnode = 2) {
  ASSERT_EQ(0, PostBeginMesh("bar", 3, GEOMETRY_LINEAR, nnode));
  ASSERT_EQ(0, PostBeginCoordinates());
  ASSERT_EQ(0, PostWriteCoordinates(1, 0, 0, 0));
  ASSERT_EQ(0, PostWriteCoordinates(2, 1, 0, 0));
  ASSERT_EQ(0, PostEndCoordinates());
  ASSERT_EQ(0, PostBeginElements());
  const int nodes[2] = {1, 2};
  if (nnode >= 0) PostWriteElement(1, nodes);
  ASSERT_EQ(0, PostEndElements());
  ASSERT_EQ(0, PostEndMesh());
}

void DefineSet(const char* name, int points) {
  ASSERT_EQ(0, PostBeginGaussPoint(name, GEOMETRY_LINEAR, "bar", points, 0, 1));
  ASSERT_EQ(0, PostEndGaussPoint());
}

void BeginScalar(int location, const char* set) {
  ASSERT_EQ(0, PostBeginResult("r", "Step-1", 1, RESULT_SCALAR, location, set, nullptr, 0,
                               nullptr));
}

struct Refusal {
  const char* what;
  std::vector<int> modes;  // the variants in which it is refused
  std::function<void()> write;
  const char* message;  // part of the reader's message in every variant
};

const std::vector<int> kAllModes = {MODE_TEXT, MODE_COMPRESSED_TEXT, MODE_BINARY};

const std::vector<Refusal>& Refusals() {
  static const std::vector<Refusal> refusals = {
      {"MainMatrix", kAllModes,
       [] {
         WriteBar();
         ASSERT_EQ(0, PostBeginResult("m", "s", 1, RESULT_MAIN_MATRIX, ON_NODES, nullptr, nullptr,
                                      0, nullptr));
         ASSERT_EQ(0, PostEndResult());
       },
       "result type MainMatrix has no write operation"},
      {"LocalAxes", kAllModes,
       [] {
         WriteBar();
         ASSERT_EQ(0, PostBeginResult("m", "s", 1, RESULT_LOCAL_AXES, ON_NODES, nullptr, nullptr,
                                      0, nullptr));
         ASSERT_EQ(0, PostEndResult());
       },
       "result type LocalAxes has no write operation"},
      {"location 2", kAllModes,
       [] {
         WriteBar();
         BeginScalar(2, "g");
         ASSERT_EQ(0, PostEndResult());
       },
       "names no Gauss point set"},
      {"undefined set", kAllModes,
       [] {
         WriteBar();
         BeginScalar(ON_GAUSS_POINTS, "g");
         ASSERT_EQ(0, PostEndResult());
         DefineSet("g", 2);
       },
       "unknown Gauss point set \"g\""},
      {"set redefined", kAllModes,
       [] {
         WriteBar();
         DefineSet("g", 2);
         DefineSet("G", 3);
       },
       "is defined again with 3 points instead of 2"},
      {"negative Nnode", kAllModes, [] { WriteBar(-1); }, "negative node count -1"},
      {"negative points", kAllModes,
       [] {
         WriteBar();
         DefineSet("g", -2);
       },
       "negative number of Gauss points -2"},
      {"two records for a node", kAllModes,
       [] {
         WriteBar();
         BeginScalar(ON_NODES, nullptr);
         PostWriteScalar(1, 0.5);
         PostWriteScalar(1, 0.25);
         ASSERT_EQ(0, PostEndResult());
       },
       ""},
      {"too few points", kAllModes,
       [] {
         WriteBar();
         DefineSet("g", 2);
         BeginScalar(ON_GAUSS_POINTS, "g");
         PostWriteScalar(1, 0.5);
         ASSERT_EQ(0, PostEndResult());
       },
       ""},
      {"scalar in a vector result", kAllModes,
       [] {
         WriteBar();
         ASSERT_EQ(0, PostBeginResult("v", "s", 1, RESULT_VECTOR, ON_NODES, nullptr, nullptr, 0,
                                      nullptr));
         PostWriteScalar(1, 0.5);
         ASSERT_EQ(0, PostEndResult());
       },
       ""},
      {"values on a set of no points", kAllModes,
       [] {
         WriteBar();
         DefineSet("g", 0);
         BeginScalar(ON_GAUSS_POINTS, "g");
         PostWriteScalar(1, 0.5);
         ASSERT_EQ(0, PostEndResult());
       },
       "on a Gauss point set with no points"},
      {"id -1 first", kAllModes,
       [] {
         WriteBar();
         BeginScalar(ON_NODES, nullptr);
         PostWriteScalar(-1, 0.5);
         ASSERT_EQ(0, PostEndResult());
       },
       ""},
      {"id -1 later", {MODE_BINARY},
       [] {
         WriteBar();
         BeginScalar(ON_NODES, nullptr);
         PostWriteScalar(1, 0.5);
         PostWriteScalar(-1, 0.5);
         ASSERT_EQ(0, PostEndResult());
       },
       "string record length"},
      {"node id -1 first", {MODE_TEXT, MODE_COMPRESSED_TEXT},
       [] {
         ASSERT_EQ(0, PostBeginMesh("m", 3, GEOMETRY_POINT, 1));
         ASSERT_EQ(0, PostBeginCoordinates());
         ASSERT_EQ(0, PostWriteCoordinates(-1, 0, 0, 0));
         ASSERT_EQ(0, PostEndCoordinates());
         ASSERT_EQ(0, PostBeginElements());
         ASSERT_EQ(0, PostEndElements());
       },
       "expected a coordinates line or \"End Coordinates\""},
      {"a value after its block", kAllModes,
       [] {
         WriteBar();
         BeginScalar(ON_NODES, nullptr);
         ASSERT_EQ(0, PostEndResult());
         PostWriteScalar(1, 0.5);
       },
       ""},
      {"mesh without its blocks", kAllModes,
       [] {
         ASSERT_EQ(0, PostBeginMesh("m", 3, GEOMETRY_LINEAR, 2));
         DefineSet("g", 2);
       },
       ""},
  };
  return refusals;
}

TEST(Refusals, WhatTheWriterCanWriteButTheReaderRefuses) {
  testplatform::ScratchDir dir("kelpost-refusals-");
  for (const Refusal& refusal : Refusals()) {
    for (int mode : refusal.modes) {
      SCOPED_TRACE(std::string(refusal.what) + ", mode " + std::to_string(mode));
      const fs::path path = dir.file("refused");
      ASSERT_EQ(0, PostOpenResultFile(path.u8string().c_str(), mode));
      refusal.write();
      PostCloseResultFile();
      kelpost::FileSource source(path.string());
      try {
        kelpost::Decode(source, nullptr);
        ADD_FAILURE() << "read without a fault";
      } catch (const kelpost::Error& e) {
        EXPECT_NE(std::string(e.what()).find(refusal.message), std::string::npos) << e.what();
      }
    }
  }
}

// CPostAsciiZ::Flush ends the gzip member; what follows starts another one.
TEST(Refusals, ACompressedFileOfTwoMembers) {
  testplatform::ScratchDir dir("kelpost-refusals-");
  const fs::path path = dir.file("two.gz");
  {
    CPostAsciiZ writer;
    ASSERT_EQ(0, writer.Open(path.u8string().c_str()));
    ASSERT_EQ(0, writer.WritePostHeader());
    ASSERT_EQ(0, writer.Flush());
    ASSERT_EQ(0, writer.WriteString("MESH \"m\" dimension 3 ElemType Point Nnode 1"));
    ASSERT_EQ(0, writer.Close());
  }
  kelpost::FileSource source(path.string());
  try {
    kelpost::Decode(source, nullptr);
    ADD_FAILURE() << "read without a fault";
  } catch (const kelpost::Error& e) {
    EXPECT_NE(std::string(e.what()).find("a second gzip member"), std::string::npos) << e.what();
  }
}

}  // namespace
