// Decoding of hand-written files of every variant, the summary, and malformed input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dump_test_support.h"

namespace {

using dumptest::DecodeBytes;
using dumptest::Records;
using dumptest::StoredGzip;
using kelpost::Error;
using kelpost::Variant;

// A binary stream that exercises every block: a node with id 16 and an element with id 13
// (the lengths of the "End Coordinates" and "End Elements" records), a vector with its
// modulus, Gauss point results sharing the element id, and a set name matched in another case.
Records SampleBinary() {
  Records r;
  r.Header();
  r.Str("MESH \"plate\" dimension 2 ElemType Triangle Nnode 3");
  r.Str("Coordinates -1 Indexed");
  r.Int(1).Floats(0, 0, 0);
  r.Int(2).Floats(1.5, 0, 0);
  r.Int(16).Floats(0, -2, 0.25);
  r.Str("End Coordinates");
  r.Str("Elements -1 Indexed");
  r.Ints(13, 1, 2, 16, 1);
  r.Str("End Elements");
  r.Str("GaussPoints \"tri3\" ElemType Triangle \"plate\"");
  r.Str("Number Of Gauss Points: 3");
  r.Str("Natural Coordinates: Internal");
  r.Str("End GaussPoints");
  r.Str("GaussPoints \"bar\" ElemType Linear");
  r.Str("Number Of Gauss Points: 2");
  r.Str("  Nodes not included");
  r.Str("Natural Coordinates: Given");
  r.Str("End GaussPoints");
  r.Str("Result \"U\" \"Step-1\" 1 Vector OnNodes");
  r.Str("Values -1 Indexed");
  r.Int(1).Floats(3, 4, 0, 5);
  r.Int(16).Floats(0.5, 0, 0, 0.5);
  r.Int(-1).Str("End Values");
  r.Str("Result \"S\" \"Step-1\" 2 PlainDeformationMatrix OnGaussPoints \"TRI3\"");
  r.Str("ResultRangesTable \"\"");
  r.Str("ComponentNames \"Sxx\" \"Syy\" \"Sxy\" \"Szz\"");
  r.Str("Values -1 Indexed");
  r.Int(13).Floats(1, 2, 3, 4).Floats(5, 6, 7, 8).Floats(1e6, 100000, -0.125, 0);
  r.Int(-1).Str("End Values");
  r.Str("Result \"T\" \"Step-2\" 0.5 Matrix OnNodes");
  r.Str("Values -1 Indexed");
  r.Int(2).Floats(1, 2, 3, 4, 5, 6);
  r.Int(-1).Str("End Values");
  r.Str("Result \"E\" \"Step-2\" 0.5 Scalar OnGaussPoints \"bar\"");
  r.Str("Values -1 Indexed");
  r.Int(13).Floats(0.25, 1e-5);
  r.Int(14).Floats(-0.5, 0.75);
  r.Int(-1).Str("End Values");
  return r;
}

const char kSampleText[] =
    "Kel Post Results File 1.0\n"
    "MESH \"plate\" dimension 2 ElemType Triangle Nnode 3\n"
    "Coordinates\n"
    "1 0 0 0\n"
    "2 1.5 0 0\n"
    "16 0 -2 0.25\n"
    "End Coordinates\n"
    "Elements\n"
    "13 1 2 16\n"
    "End Elements\n"
    "GaussPoints \"tri3\" ElemType Triangle \"plate\"\n"
    "Number Of Gauss Points: 3\n"
    "Natural Coordinates: Internal\n"
    "End GaussPoints\n"
    "GaussPoints \"bar\" ElemType Linear\n"
    "Number Of Gauss Points: 2\n"
    "  Nodes not included\n"
    "Natural Coordinates: Given\n"
    "End GaussPoints\n"
    "Result \"U\" \"Step-1\" 1 Vector OnNodes\n"
    "Values\n"
    "1 3 4 0\n"
    "16 0.5 0 0\n"
    "End Values\n"
    "Result \"S\" \"Step-1\" 2 PlainDeformationMatrix OnGaussPoints \"TRI3\"\n"
    "ResultRangesTable \"\"\n"
    "ComponentNames \"Sxx\" \"Syy\" \"Sxy\" \"Szz\"\n"
    "Values\n"
    "13 1 2 3 4\n"
    " 5 6 7 8\n"
    " 1e+06 100000 -0.125 0\n"
    "End Values\n"
    "Result \"T\" \"Step-2\" 0.5 Matrix OnNodes\n"
    "Values\n"
    "2 1 2 3 4 5 6\n"
    "End Values\n"
    "Result \"E\" \"Step-2\" 0.5 Scalar OnGaussPoints \"bar\"\n"
    "Values\n"
    "13 0.25\n"
    " 1e-05\n"
    "14 -0.5\n"
    " 0.75\n"
    "End Values\n";

TEST(Decode, BinaryStreamPlainAndCompressedGiveTheTextForm) {
  const std::string raw = SampleBinary().bytes();
  auto plain = DecodeBytes(raw);
  EXPECT_EQ(plain.text, kSampleText);
  EXPECT_EQ(plain.summary.variant, Variant::kUncompressedBinary);

  auto compressed = DecodeBytes(StoredGzip(raw));
  EXPECT_EQ(compressed.text, kSampleText);
  EXPECT_EQ(compressed.summary.variant, Variant::kBinary);
}

TEST(Decode, TextAndCompressedTextAreReEmitted) {
  auto plain = DecodeBytes(kSampleText);
  EXPECT_EQ(plain.text, kSampleText);
  EXPECT_EQ(plain.summary.variant, Variant::kText);
  auto compressed = DecodeBytes(StoredGzip(kSampleText));
  EXPECT_EQ(compressed.text, kSampleText);
  EXPECT_EQ(compressed.summary.variant, Variant::kCompressedText);
}

TEST(Decode, TextNumbersAreRewrittenInTheWriterFormAndCrLfIsAccepted) {
  const std::string in =
      "Kel Post Results File 1.0\r\n"
      "MESH \"m\" dimension 3 ElemType  Nnode 0\r\n"  // geometry 0 has an empty name
      "Coordinates\r\n"
      "-4 2.50 1e5 0.0000100\r\n"
      "End Coordinates\r\n"
      "Elements\r\n"
      "7\r\n"
      "End Elements\r\n";
  const std::string out =
      "Kel Post Results File 1.0\n"
      "MESH \"m\" dimension 3 ElemType  Nnode 0\n"
      "Coordinates\n"
      "-4 2.5 100000 1e-05\n"
      "End Coordinates\n"
      "Elements\n"
      "7\n"
      "End Elements\n";
  EXPECT_EQ(DecodeBytes(in).text, out);
}

TEST(Decode, BigEndianBinaryIsRecognisedByItsMarker) {
  Records r(true);
  r.Header().Str("Result \"p\" \"a\" 3 Scalar OnNodes").Str("Values -1 Indexed");
  r.Int(3).Float(0.5f).Int(70000).Float(-2.0f).Int(-1).Str("End Values");
  EXPECT_EQ(DecodeBytes(r.bytes()).text,
            "Kel Post Results File 1.0\n"
            "Result \"p\" \"a\" 3 Scalar OnNodes\n"
            "Values\n"
            "3 0.5\n"
            "70000 -2\n"
            "End Values\n");
}

TEST(Decode, FileWithOnlyItsHeaderIsValid) {
  EXPECT_EQ(DecodeBytes(StoredGzip(Records().Header().bytes())).text,
            "Kel Post Results File 1.0\n");
}

TEST(Summary, CountsBlocksAndResultsPerAnalysisInOrderOfFirstUse) {
  auto binary = DecodeBytes(StoredGzip(SampleBinary().bytes()));
  EXPECT_EQ(kelpost::FormatSummary(binary.summary),
            "variant: binary\n"
            "meshes: 1\n"
            "nodes: 3\n"
            "elements: 1\n"
            "gauss point sets: 2\n"
            "results: 4\n"
            "results of analysis \"Step-1\": 2\n"
            "results of analysis \"Step-2\": 2\n");
  // The summary decodes without writing the text form.
  kelpost::MemorySource source(kSampleText, sizeof kSampleText - 1);
  kelpost::Summary text = kelpost::Decode(source, nullptr);
  EXPECT_EQ(text.nodes, 3u);
  EXPECT_EQ(text.resultsPerAnalysis, binary.summary.resultsPerAnalysis);
}

struct Malformed {
  const char* name;
  std::string bytes;
  const char* message;
};

const std::string kHeadText = "Kel Post Results File 1.0\n";  // 26 bytes
const std::string kMeshPoint = "MESH \"m\" dimension 3 ElemType Point Nnode 1";  // 43 characters
const std::string kGauss2 =  // 26 + 34 + 26 + 30 + 16 = 132 bytes
    kHeadText + "GaussPoints \"g\" ElemType Triangle\nNumber Of Gauss Points: 2\n"
                "Natural Coordinates: Internal\nEnd GaussPoints\n";

std::vector<Malformed> MalformedCases() {
  std::vector<Malformed> c;
  // Binary: Header() is 21 bytes; a record of an N-character line is N + 5 bytes.
  c.push_back({"record_length_cut", Records().Int(2333).Raw(std::string("\x0d\x00", 2)).bytes(),
               "file offset 6: unexpected end of data in the length of a string record"});
  c.push_back({"wrong_file_header", Records().Int(2333).Str("KelPostEx1.0").bytes(),
               "file offset 4: expected the file header record \"KelPostEx1.1\", found "
               "\"KelPostEx1.0\""});
  c.push_back({"record_length_zero", Records().Header().Int(0).bytes(),
               "file offset 21: invalid string record length 0 (it must be at least 1)"});
  c.push_back({"record_length_negative", Records().Header().Int(-5).Raw("MESH").bytes(),
               "file offset 21: invalid string record length -5 (it must be at least 1)"});
  c.push_back({"record_length_absurd", Records().Header().Int(8193).bytes(),
               "file offset 21: string record length 8193 is longer than any header line (at "
               "most 8191 characters and a NUL)"});
  c.push_back({"record_longest_but_cut", Records().Header().Int(8192).bytes(),
               "file offset 25: unexpected end of data in a string record of length 8192 "
               "starting at offset 21"});
  c.push_back({"record_without_nul", Records().Header().Int(4).Raw("MESH").bytes(),
               "file offset 21: string record does not end with a NUL byte"});
  c.push_back({"record_inner_nul",
               Records().Header().Int(6).Raw(std::string("ME\0SH\0", 6)).bytes(),
               "file offset 27: string record contains a NUL byte before its end"});
  c.push_back({"unknown_header_word", Records().Header().Str("Mesh \"a\"").bytes(),
               "file offset 21: unknown header word \"Mesh\" (expected MESH, GaussPoints or "
               "Result)"});
  // 21 + 48 + 27 = 96, then the id and two of three coordinates.
  c.push_back({"coordinates_cut",
               Records().Header().Str(kMeshPoint).Str("Coordinates -1 Indexed").Int(1)
                   .Floats(0, 0).bytes(),
               "file offset 108: unexpected end of data in a coordinates record"});
  // A node count near 2^31 must neither allocate nor loop: the data simply ends.
  c.push_back({"element_nnode_absurd",
               Records().Header().Str("MESH \"m\" dimension 3 ElemType Point Nnode 2147483647")
                   .Str("Coordinates -1 Indexed").Str("End Coordinates")
                   .Str("Elements -1 Indexed").Ints(1, 2).bytes(),
               "file offset 157: unexpected end of data in an element record"});
  c.push_back({"main_matrix_has_no_values",
               Records().Header().Str("Result \"r\" \"a\" 1 MainMatrix OnNodes").bytes(),
               "file offset 21: malformed Result line: result type MainMatrix has no write "
               "operation, so its values cannot be read at column 18"});
  c.push_back({"unknown_gauss_set",
               Records().Header().Str("Result \"r\" \"a\" 1 Scalar OnGaussPoints \"g\"").bytes(),
               "file offset 21: malformed Result line: unknown Gauss point set \"g\" at column 39"});
  // 21 + 36 + 22 + 8 + 4 = 91
  c.push_back({"values_closer_wrong",
               Records().Header().Str("Result \"r\" \"a\" 1 Scalar OnNodes")
                   .Str("Values -1 Indexed").Int(1).Float(2).Int(-1).Str("End Value").bytes(),
               "file offset 91: expected \"End Values\", found \"End Value\""});
  // 21 + 38 + 30 = 89
  c.push_back({"nodes_line_not_linear",
               Records().Header().Str("GaussPoints \"g\" ElemType Triangle")
                   .Str("Number Of Gauss Points: 3").Str("  Nodes included").bytes(),
               "file offset 89: a Nodes line belongs only to Gauss points of Linear elements"});
  c.push_back({"unknown_element_type", Records().Header().Str("MESH \"m\" dimension 3 ElemType Cube Nnode 8").bytes(),
               "file offset 21: malformed MESH line: unknown element type \"Cube\" at column 31"});

  // Text: offsets of lines and of the faulty number.
  c.push_back({"not_kel", "hello\n",
               "file offset 0: line 1: not a Kel post results file: it starts neither with a gzip "
               "header, nor with the binary marker 2333, nor with the line \"Kel Post Results "
               "File 1.0\""});
  c.push_back({"empty", "", "file offset 0: line 1: empty file (expected the line \"Kel Post "
                            "Results File 1.0\")"});
  // 26 + 44 + 12 + "1 0 " (4) = 86
  c.push_back({"bad_number", kHeadText + kMeshPoint + "\nCoordinates\n1 0 1.5x 0\n",
               "file offset 86: line 4: bad coordinate \"1.5x\""});
  // 26 + 32 + 7 + "5 1 2" (5) = 70
  c.push_back({"too_few_values", kHeadText + "Result \"r\" \"a\" 1 Vector OnNodes\nValues\n5 1 2\n",
               "file offset 70: line 4: value line has 2 values, expected 3"});
  // 26 + 44 + 12 + 16 + 9 + "1 2" (3) = 110
  c.push_back({"too_many_nodes",
               kHeadText + kMeshPoint + "\nCoordinates\nEnd Coordinates\nElements\n1 2 3\n",
               "file offset 110: line 6: element line has more than 1 node ids"});
  // 26 + 32 + 7 + 4 = 69
  c.push_back({"second_line_on_nodes",
               kHeadText + "Result \"r\" \"a\" 1 Scalar OnNodes\nValues\n1 2\n 3\nEnd Values\n",
               "file offset 69: line 5: entity 1 has more than 1 value lines"});
  // 132 + 42 + 7 + 4 = 185; the set is named in another letter case.
  c.push_back({"gauss_entity_short",
               kGauss2 + "Result \"r\" \"a\" 1 Scalar OnGaussPoints \"G\"\nValues\n7 1\nEnd Values\n",
               "file offset 185: line 9: entity 7 has 1 value lines, expected 2"});
  c.push_back({"line_too_long", kHeadText + "Result \"" + std::string(9000, 'a') + "\n",
               "file offset 26: line 2: line longer than 8191 characters"});
  c.push_back({"last_line_unterminated", kHeadText + "MESH",
               "file offset 30: line 2: unexpected end of data in a line without a line end"});

  // Gzip: stored blocks put the data at file offset 15.
  const std::string text = kHeadText + "Bogus\n";
  c.push_back({"text_fault_in_gzip", StoredGzip(text),
               "decompressed offset 26: line 2: unknown header word \"Bogus\" (expected MESH, "
               "GaussPoints or Result)"});
  c.push_back({"gzip_cut", StoredGzip(text).substr(0, 15 + 10),
               "decompressed offset 10: truncated gzip stream: the compressed data ends at file "
               "offset 25 before the end of the gzip member"});
  c.push_back({"gzip_bytes_after_end", StoredGzip(kHeadText) + "x",
               "file offset 49: unexpected bytes after the end of the gzip stream"});
  c.push_back({"gzip_second_member", StoredGzip(kHeadText) + StoredGzip(kHeadText),
               "file offset 49: a second gzip member starts after the end of the first; a "
               "results file holds exactly one"});
  return c;
}

TEST(Malformed, EachInputNamesItsFaultAndOffset) {
  for (const Malformed& m : MalformedCases()) {
    SCOPED_TRACE(m.name);
    try {
      DecodeBytes(m.bytes);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), m.message);
    }
  }
}

TEST(Malformed, CorruptGzipDataIsReportedAtTheDecompressedOffset) {
  const std::string text = kHeadText + "MESH \"m\" dimension 3 ElemType Point Nnode 1\n";
  struct Case {
    std::string bytes;
    std::uint64_t offset;
    const char* start;
  };
  std::string badCrc = StoredGzip(text);
  badCrc[badCrc.size() - 8] ^= 1;
  std::string badLength = StoredGzip(text);
  badLength[badLength.size() - 4] ^= 1;
  std::string reservedBlock = StoredGzip(text);
  reservedBlock[10] = '\x07';  // final block of the reserved type 3
  const Case cases[] = {
      {badCrc, text.size(), "corrupt gzip data (incorrect data check)"},
      {badLength, text.size(), "corrupt gzip data (incorrect length check)"},
      {reservedBlock, 0, "corrupt gzip data (invalid block type)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    try {
      DecodeBytes(c.bytes);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.where(), Error::Where::kDecompressed);
      EXPECT_EQ(e.offset(), c.offset);
      EXPECT_EQ(e.detail().rfind(c.start, 0), 0u) << e.detail();
    }
  }
}

TEST(Malformed, OutputBeforeTheFaultIsKept) {
  Records r;
  r.Header().Str("Result \"r\" \"a\" 1 Scalar OnNodes").Str("Values -1 Indexed");
  r.Int(4).Float(0.5f).Int(5);
  kelpost::MemorySource source(r.bytes());
  kelpost::StringSink sink;
  EXPECT_THROW(kelpost::Decode(source, &sink), Error);
  EXPECT_EQ(sink.text,
            "Kel Post Results File 1.0\nResult \"r\" \"a\" 1 Scalar OnNodes\nValues\n4 0.5\n5");
}

}  // namespace
