// kelpost-dump: prints a Kel post results file of any variant as plain text, or its counts.
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "kelpost_reader.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kUsage[] =
    "usage: kelpost-dump [--summary] [--] FILE\n       kelpost-dump --help\n";

const char kHelp[] =
    "usage: kelpost-dump [--summary] [--] FILE\n"
    "\n"
    "Reads a Kel post results file in any of its variants and checks it from end to end:\n"
    "plain text, gzip-compressed text, or binary (gzip-compressed records, which begin with\n"
    "the marker 2333; an uncompressed record stream is read too).  The variant is told by the\n"
    "gzip magic bytes 1f 8b and, after decompression, by the marker.  FILE - reads standard\n"
    "input; -- ends the options, so that a FILE that begins with - can follow it.\n"
    "\n"
    "Without options, writes the file to standard output as the plain text variant has it:\n"
    "\"Kel Post Results File 1.0\" for the binary file header, \"Coordinates\", \"Elements\"\n"
    "and \"Values\" for the block openers, no end marker before \"End Values\", value lines as\n"
    "\"%d\" (id, on the first line of an entity only) and \" %g\" per value, vectors without\n"
    "their modulus and elements without their material number.  Values and coordinates are\n"
    "printed as the file stores them: the binary variant stores them in single precision, so\n"
    "they are the single-precision numbers the writer rounded to, not the values it was given.\n"
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
    "Refused although the results writer can write them:\n"
    "  - results of the types MainMatrix and LocalAxes: no write operation says how many\n"
    "    values their records hold;\n"
    "  - results at a location other than on nodes (0) or on Gauss points (1): the writer\n"
    "    writes OnGaussPoints without a Gauss point set;\n"
    "  - results on a Gauss point set that no earlier GaussPoints block defines, and a set\n"
    "    defined again with another number of points (names compared ignoring case);\n"
    "  - negative node counts (Nnode) and negative numbers of Gauss points;\n"
    "  - values blocks that do not hold, per entity, one record on nodes or as many records as\n"
    "    the set has points on Gauss points, each with the number of values of the result\n"
    "    type (Scalar 1, Vector 3, or 4 in the binary variant, Matrix 6,\n"
    "    PlainDeformationMatrix 4), and any value on a set of no points;\n"
    "  - the id -1 first in a values or coordinates block, which the writer writes without\n"
    "    its id, and, in the binary variant, a value for the id -1 anywhere: -1 is the end\n"
    "    marker of a values block;\n"
    "  - in the text variants, names holding a line feed, which ends their header line early;\n"
    "  - compressed files of more than one gzip member (CPostAsciiZ::Flush ends the member);\n"
    "  - blocks out of their order: a mesh header not followed by its coordinates and\n"
    "    elements, values outside a values block.\n"
    "The binary variant stores no counts: where its records do not line up as these rules\n"
    "say, the file is refused where they stop lining up, or misread should they happen to\n"
    "line up again.\n"
    "\n"
    "A malformed or unreadable file gives one message on standard error naming the byte\n"
    "offset of the fault: \"file offset N\" in the file itself, or \"decompressed offset N\" in\n"
    "the decompressed stream of a gzip file; text files add the line number.  Output\n"
    "decoded before the fault has already been written.\n"
    "\n"
    "Exit status: 0 success, 1 malformed or unreadable file or output error, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes as on other systems: no carriage return before each line feed.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  bool summary = false;
  bool optionsEnded = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    // "-" alone names standard input; after "--" every argument is a file name.
    const bool option = !optionsEnded && arg[0] == '-' && arg[1] != '\0';
    if (option && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (option && std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
    } else if (option && std::strcmp(arg, "--summary") == 0 && !path) {
      summary = true;
    } else if (option && !path) {
      std::fprintf(stderr, "kelpost-dump: unknown option %s\n%s", arg, kUsage);
      return 2;
    } else if (!path) {
      path = arg;
    } else {
      std::fprintf(stderr, "kelpost-dump: too many arguments\n%s", kUsage);
      return 2;
    }
  }
  if (!path) {
    std::fprintf(stderr, "kelpost-dump: no file given\n%s", kUsage);
    return 2;
  }
  const bool standardInput = std::strcmp(path, "-") == 0;
  const char* shownName = standardInput ? "standard input" : path;

  kelpost::StdioSink sink(stdout);
  try {
    std::unique_ptr<kelpost::FileSource> source =
        standardInput ? std::make_unique<kelpost::FileSource>(stdin)
                      : std::make_unique<kelpost::FileSource>(path);
    kelpost::Summary counts = kelpost::Decode(*source, summary ? nullptr : &sink);
    if (summary) std::fputs(kelpost::FormatSummary(counts).c_str(), stdout);
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "kelpost-dump: %s: %s\n", shownName, e.what());
    return 1;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "kelpost-dump: error writing the output\n");
    return 1;
  }
  return 0;
}
