// upgradeOdb: writes a current-format copy of a previous-format database.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "element_shapes.h"
#include "file_system.h"
#include "odb_API.h"
#include "odbapi_detail.h"
#include "read_access.h"
#include "replacement_file.h"

namespace odbapi_detail {
namespace {

// Makes the file the copy is written into before it takes the destination's place: named
// (SQLite opens it by its name), beside the destination, and removed unless committed. Only
// this file is ever removed, never one the upgrade did not create.
void PrepareScratchFile(platform::ReplacementFile& scratch, const std::string& destination) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (scratch.Prepare(destination, platform::ReplacementFile::Naming::kNamed) !=
        platform::ReplacementFile::Plan::kReplace) {
      Fail(destination + ": cannot open the upgraded database for writing");
    }
    // SQLite deletes a journal it finds beside an empty database: keep clear of one.
    if (!platform::Exists(scratch.WritePath() + "-journal")) return;
  }
  Fail(destination + ": cannot find an unused name for the upgraded database");
}

// SQL function odb_shape_code(type): the shape code of an element type name.
void ShapeCodeFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
  const unsigned char* type = sqlite3_value_text(arguments[0]);
  sqlite3_result_int(context, odbapi::ElementShapeCode(reinterpret_cast<const char*>(type)));
}

}  // namespace
}  // namespace odbapi_detail

void upgradeOdb(const odb_String& source, const odb_String& destination) {
  using namespace odbapi_detail;
  const std::string sourcePath = source.CStr();
  const std::string destinationPath = destination.CStr();
  {
    Connection check = OpenReadOnly(sourcePath);
    int format = ReadFormat(check);
    if (format == kCurrentFormat) {
      Fail(sourcePath + ": the database is already in the current format and needs no upgrade");
    }
    if (format != kPreviousFormat) FailUnknownFormat(sourcePath, format);
    CheckSchema(check, kPreviousFormat);
  }
  if (destinationPath.empty()) Fail(sourcePath + ": no destination given for the upgrade");
  if (platform::SameFile(sourcePath, destinationPath)) {
    Fail(destinationPath + ": the upgrade destination is the source database itself");
  }

  // Written beside the destination and renamed into place, so a failure leaves no
  // destination and an earlier file of that name stays as it was.
  platform::ReplacementFile temporary;
  try {
    PrepareScratchFile(temporary, destinationPath);
    // SQLITE_OPEN_URI lets ATTACH below take the read-only URI of the source.
    Connection out(temporary.WritePath(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI);
    if (sqlite3_create_function(out.get(), "odb_shape_code", 1,
                                SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, ShapeCodeFunction,
                                nullptr, nullptr) != SQLITE_OK) {
      Fail(SqliteErrorText(destinationPath, out.get(), sqlite3_errcode(out.get()),
                           "cannot prepare the upgrade"));
    }
    {
      Statement attach(out, "ATTACH DATABASE ?1 AS source");
      // Read as openOdb reads it, so that nothing beside the source is created or changed.
      const bool immutable = ReadAccessOf(sourcePath) == ReadAccess::kImmutable;
      attach.bindText(1, ReadOnlyUri(sourcePath, immutable));
      attach.step();
    }
    const char* copy =
        "INSERT INTO main.instance(id, name, embedded_space)"
        " SELECT id, name, embedded_space FROM source.instance;"
        "INSERT INTO main.node(instance_id, seq, label, x, y, z)"
        " SELECT instance_id, seq, label, x, y, z FROM source.node;"
        "INSERT INTO main.element(instance_id, seq, label, type, shape, section_category, connectivity)"
        " SELECT instance_id, seq, label, type, odb_shape_code(type), section_category, connectivity"
        " FROM source.element;"
        "INSERT INTO main.step(id, name) SELECT id, name FROM source.step;"
        "INSERT INTO main.frame(step_id, seq, description, frame_value)"
        " SELECT step_id, seq, description, frame_value FROM source.frame;"
        "INSERT INTO main.field_output(id, step_id, frame_seq, name, description, type, position)"
        " SELECT id, step_id, frame_seq, name, description, type, position FROM source.field_output;"
        "INSERT INTO main.bulk_block(field_output_id, seq, instance, element_type, section_point,"
        " width, length, element_count, data, node_labels, element_labels)"
        " SELECT field_output_id, seq, instance, element_type, section_point, width, length,"
        " element_count, data, node_labels, element_labels FROM source.bulk_block;";
    // Large pages, as the stand-in writes its own files: bulk blobs read in few system calls.
    // The journal stays in memory: a copy that fails is removed, not rolled back, and no file
    // beside the copy is created (or taken for its journal).
    out.exec("PRAGMA page_size = 65536; PRAGMA journal_mode = MEMORY;", "cannot prepare the upgrade");
    out.exec("BEGIN;\n" + SchemaSql(kCurrentFormat) + copy + "PRAGMA main.user_version = " +
                 std::to_string(kCurrentFormat) + ";\nCOMMIT;",
             "cannot copy the database");
    out.exec("DETACH DATABASE source", "cannot finish the copy");
  } catch (const odb_Exception& error) {
    Fail(sourcePath + ": the upgrade to " + destinationPath + " failed: " + error.UserReport().CStr());
  }
  if (!temporary.Commit()) {
    Fail(destinationPath + ": cannot write the upgraded database: " + std::strerror(errno));
  }
}
