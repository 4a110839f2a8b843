// kelpost-dump: prints a Kel post results file of any variant as plain text, or its counts.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "kelpost_reader.h"

namespace {

const char kUsage[] = "usage: kelpost-dump [--summary] FILE\n       kelpost-dump --help\n";

const char kHelp[] =
    "usage: kelpost-dump [--summary] FILE\n"
    "\n"
    "Reads a Kel post results file in any of its variants and checks it from end to end:\n"
    "plain text, gzip-compressed text, or binary (gzip-compressed records, which begin with\n"
    "the marker 2333; an uncompressed record stream is read too).  The variant is told by the\n"
    "gzip magic bytes 1f 8b and, after decompression, by the marker.\n"
    "\n"
    "Without options, writes the file to standard output as the plain text variant has it:\n"
    "\"Kel Post Results File 1.0\" for the binary file header, \"Coordinates\", \"Elements\"\n"
    "and \"Values\" for the block openers, no end marker before \"End Values\", value lines as\n"
    "\"%d\" (id, on the first line of an entity only) and \" %g\" per value, vectors without\n"
    "their modulus and elements without their material number.\n"
    "\n"
    "--summary writes one \"name: value\" line per count instead, always in this order:\n"
    "  variant: text | compressed text | binary | binary (not compressed)\n"
    "  meshes: N\n"
    "  nodes: N\n"
    "  elements: N\n"
    "  gauss point sets: N\n"
    "  results: N\n"
    "  results of analysis \"NAME\": N      one line per analysis, in order of first use\n"
    "\n"
    "A malformed or unreadable file gives one message on standard error naming the byte\n"
    "offset of the fault: \"file offset N\" in the file itself, or \"decompressed offset N\" in\n"
    "the decompressed stream of a gzip file; text files add the line number.  Output\n"
    "decoded before the fault has already been written.\n"
    "\n"
    "Exit status: 0 success, 1 malformed or unreadable file or output error, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  bool summary = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--summary") == 0 && !path) {
      summary = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0' && !path) {
      std::fprintf(stderr, "kelpost-dump: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else if (!path) {
      path = argv[i];
    } else {
      std::fprintf(stderr, "kelpost-dump: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (!path) {
    std::fprintf(stderr, "kelpost-dump: no file given\n%s", kUsage);
    return 2;
  }

  kelpost::StdioSink sink(stdout);
  try {
    kelpost::FileSource source(path);
    kelpost::Summary counts = kelpost::Decode(source, summary ? nullptr : &sink);
    if (summary) std::fputs(kelpost::FormatSummary(counts).c_str(), stdout);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kelpost-dump: %s: %s\n", path, e.what());
    return 1;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kelpost-dump: error writing the output\n");
    return 1;
  }
  return 0;
}
