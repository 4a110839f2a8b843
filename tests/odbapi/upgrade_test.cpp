// upgradeOdb: format 1 to format 2 copies, shapes computed, source untouched, failures
// leave nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "odb_builder.h"
#include "test_support.h"

using odbtest::ApiSession;
using odbtest::FileExists;
using odbtest::OdbErrorOf;
using testplatform::ScratchDir;

namespace {

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int RunOdbsynth(const std::string& arguments) {
  return std::system((testplatform::ShellPath(ODBSYNTH_PATH) + " " + arguments + " 2>" +
                      testplatform::kNullDevice).c_str());
}

// Everything the converter reads from one database, as text, for comparing two databases.
std::string Contents(odb_Odb& odb) {
  std::string out;
  odb_InstanceRepositoryIT instances(odb.rootAssembly().instances());
  for (instances.first(); !instances.isDone(); instances.next()) {
    const odb_Instance& instance = instances.currentValue();
    out += std::string("instance ") + instance.name().CStr() + "\n";
    odb_SequenceNode nodes = instance.nodes();
    for (int i = 0; i < nodes.size(); ++i) {
      const odb_Node node = nodes[i];  // returned by value: keep it while using its coordinates
      const float* xyz = node.coordinates();
      out += "n " + std::to_string(node.label()) + " " + std::to_string(xyz[0]) + " " +
             std::to_string(xyz[1]) + " " + std::to_string(xyz[2]) + "\n";
    }
    odb_SequenceElement elements = instance.elements();
    for (int i = 0; i < elements.size(); ++i) {
      int count = 0;
      const int* connectivity = elements[i].connectivity(count);
      out += "e " + std::to_string(elements[i].label()) + " " + elements[i].type().CStr() + " " +
             std::to_string(static_cast<int>(elements[i].geometry())) + " " +
             elements[i].sectionCategory().name().CStr();
      for (int k = 0; k < count; ++k) out += " " + std::to_string(connectivity[k]);
      out += "\n";
    }
  }
  odb_StepRepositoryIT steps(odb.steps());
  for (steps.first(); !steps.isDone(); steps.next()) {
    odb_Step& step = odb.steps()[steps.currentKey()];
    for (int f = 0; f < step.frames().size(); ++f) {
      odb_Frame& frame = step.frames()[f];
      out += std::string("frame ") + steps.currentKey().CStr() + " " + frame.description().CStr() + "\n";
      odb_FieldOutputRepositoryIT fields(frame.fieldOutputs());
      for (fields.first(); !fields.isDone(); fields.next()) {
        const odb_FieldOutput& field = fields.currentValue();
        out += std::string("field ") + field.name().CStr() + " " + std::to_string(field.type()) + "\n";
        odb_SequenceFieldBulkData blocks = field.bulkDataBlocks();
        for (int b = 0; b < blocks.size(); ++b) {
          const odb_FieldBulkData& block = blocks[b];
          out += std::string("block ") + block.instance().name().CStr() + " " +
                 block.baseElementType().CStr() + " " + block.sectionPoint().description().CStr() +
                 " " + std::to_string(block.length()) + "x" + std::to_string(block.width()) + "\n";
          for (long i = 0; i < 1L * block.length() * block.width(); ++i) {
            out += std::to_string(block.data()[i]) + " ";
          }
        }
      }
    }
  }
  return out;
}

}  // namespace

TEST(Upgrade, PreviousFormatExampleBecomesTheCurrentOne) {
  ScratchDir dir;
  const std::string old = dir.file("old.odb");
  const std::string upgraded = dir.file("old_upgraded.odb");
  ASSERT_EQ(RunOdbsynth("example " + old + " --format 1"), 0);
  const std::vector<char> before = odbtest::FileBytes(old);

  EXPECT_TRUE(isUpgradeRequiredForOdb(old.c_str()));
  EXPECT_FALSE(isUpgradeRequiredForOdb(EXAMPLE_ODB_PATH));
  upgradeOdb(old.c_str(), upgraded.c_str());
  EXPECT_EQ(odbtest::FileBytes(old), before);  // byte for byte
  EXPECT_FALSE(isUpgradeRequiredForOdb(upgraded.c_str()));
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"old.odb", "old_upgraded.odb"}));

  // The copy reads exactly as the example written in the current format, shapes included.
  std::string upgradedContents;
  {
    ApiSession session;
    upgradedContents = Contents(openOdb(upgraded.c_str()));
    EXPECT_EQ(upgradedContents, Contents(openOdb(EXAMPLE_ODB_PATH)));
    EXPECT_NE(upgradedContents.find("e 1 C3D8R 16 "), std::string::npos);
    EXPECT_EQ(odbtest::FileBytes(old), before);
  }

  // An existing destination is replaced (once closed: Windows replaces no open file).
  ApiSession session;
  upgradeOdb(old.c_str(), upgraded.c_str());
  EXPECT_EQ(Contents(openOdb(upgraded.c_str())), upgradedContents);
}

TEST(Upgrade, ShapesComputedFromTypeNames) {
  ScratchDir dir;
  // Path characters that a file URI must escape ('?' is no file name character on Windows).
#ifdef _WIN32
  const std::string old = dir.file("odd name#%.odb");
#else
  const std::string old = dir.file("odd name?#%.odb");
#endif
  const std::string upgraded = dir.file("new name.odb");
  odbapi::OdbBuilder(1)
      .instance("P")
      .element(1, "C3D20RH", {})
      .element(2, "s4r", {})
      .element(3, "DC3D8", {})
      .element(4, "UNKNOWN", {})
      .write(old);
  upgradeOdb(old.c_str(), upgraded.c_str());
  ApiSession session;
  odb_SequenceElement elements = openOdb(upgraded.c_str()).rootAssembly().instances()["P"].elements();
  ASSERT_EQ(elements.size(), 4);
  EXPECT_EQ(static_cast<int>(elements[0].geometry()), 19);
  EXPECT_EQ(static_cast<int>(elements[1].geometry()), 11);
  EXPECT_EQ(static_cast<int>(elements[2].geometry()), 16);
  EXPECT_EQ(static_cast<int>(elements[3].geometry()), 0);
}

TEST(Upgrade, FailuresLeaveNoDestination) {
  ScratchDir dir;
  const std::string current = dir.file("current.odb");
  odbapi::OdbBuilder().instance("P").write(current);
  // A previous-format file whose step table lets a NULL name through: the copy into the
  // current format's NOT NULL column fails half way.
  const std::string broken = dir.file("broken.odb");
  odbapi::OdbBuilder(1)
      .instance("P")
      .element(1, "S3", {1, 2, 3})
      .sql("DROP TABLE step")
      .sql("CREATE TABLE step(id INTEGER PRIMARY KEY, name TEXT)")
      .sql("INSERT INTO step VALUES(1, NULL)")
      .write(broken);
  const std::string noShapeless = dir.file("noframe.odb");
  odbapi::OdbBuilder(1).sql("DROP TABLE frame").write(noShapeless);
  // A source whose element table is a view that never ends, and one cut inside its last page.
  const std::string endless = dir.file("endless.odb");
  odbapi::OdbBuilder(1)
      .sql("DROP TABLE element")
      .sql("CREATE VIEW element(instance_id, seq, label, type, section_category, connectivity) AS"
           " WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r)"
           " SELECT 1, n, n, 'S3', '', x'' FROM r")
      .write(endless);
  const std::string cut = dir.file("cut.odb");
  odbapi::OdbBuilder(1).instance("P").element(1, "S3", {1, 2, 3}).write(cut, 4096);
  std::filesystem::resize_file(cut, odbtest::FileBytes(cut).size() - 10);
  const std::vector<char> brokenBefore = odbtest::FileBytes(broken);
  const std::vector<std::string> entries = FolderEntries(dir.path());
  const std::string destination = dir.file("out.odb");

  const struct {
    std::string source;
    std::string destination;
    const char* expected;
  } cases[] = {
      {broken, destination, "NOT NULL constraint failed"},
      {current, destination, "already in the current format"},
      {noShapeless, destination, "the table 'frame' is missing"},
      {endless, destination, "the table 'element' is a view"},
      {cut, destination, "the database file is damaged"},
      {dir.file("absent.odb"), destination, "no such file"},
      {broken, broken, "the upgrade destination is the source database itself"},
      {broken, dir.file("no-folder/out.odb"), "cannot open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source + " -> " + c.destination);
    const std::string report = OdbErrorOf([&] { upgradeOdb(c.source.c_str(), c.destination.c_str()); });
    EXPECT_NE(report.find(c.expected), std::string::npos) << report;
    EXPECT_TRUE(report.find(c.source) != std::string::npos ||
                report.find(c.destination) != std::string::npos)
        << report;
    EXPECT_EQ(FolderEntries(dir.path()), entries);
  }
  EXPECT_EQ(odbtest::FileBytes(broken), brokenBefore);
}

TEST(Upgrade, RemovesNoFileItDidNotCreate) {
  ScratchDir dir;
  const std::string old = dir.file("old.odb");
  const std::string upgraded = dir.file("old_upgraded.odb");
  odbapi::OdbBuilder(1).instance("P").element(1, "S3", {1, 2, 3}).write(old);
  // Files named as the copy's working file and its journal might be, such as a results file
  // that a conversion opened before it upgrades its database.
  for (const std::string& name : {upgraded + ".upgrading", upgraded + ".upgrading-journal",
                                  upgraded + "-journal"}) {
    std::ofstream(name) << "not the upgrade's";
  }
  const std::vector<std::string> before = FolderEntries(dir.path());
  upgradeOdb(old.c_str(), upgraded.c_str());
  std::vector<std::string> expected = before;
  expected.push_back("old_upgraded.odb");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(dir.path()), expected);
  for (const std::string& name : {upgraded + ".upgrading", upgraded + ".upgrading-journal",
                                  upgraded + "-journal"}) {
    const std::vector<char> bytes = odbtest::FileBytes(name);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not the upgrade's") << name;
  }
  // An upgrade that fails half way through the copy leaves them as well.
  const std::string broken = dir.file("broken.odb");
  odbapi::OdbBuilder(1)
      .sql("DROP TABLE step")
      .sql("CREATE TABLE step(id INTEGER PRIMARY KEY, name TEXT)")
      .sql("INSERT INTO step VALUES(1, NULL)")
      .write(broken);
  expected.push_back("broken.odb");
  std::sort(expected.begin(), expected.end());
  EXPECT_NE(OdbErrorOf([&] { upgradeOdb(broken.c_str(), upgraded.c_str()); }).find("NOT NULL"),
            std::string::npos);
  EXPECT_EQ(FolderEntries(dir.path()), expected);
  EXPECT_EQ(odbtest::FileBytes(upgraded + ".upgrading").size(), 17u);
}
