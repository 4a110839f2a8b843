#include "block_decoder.h"

#include "ascii_case.h"

namespace kelpost {

Summary Decoder::run() {
  try {
    readFileHeader();
    std::string line;
    std::uint64_t at = 0;
    while (nextLine(line, at)) {
      std::string_view word = std::string_view(line).substr(0, line.find(' '));
      if (word == "MESH") {
        mesh(line, at);
      } else if (word == "GaussPoints") {
        gaussPoints(line, at);
      } else if (word == "Result") {
        result(line, at);
      } else {
        fail(at, "unknown header word " + Quote(word) + " (expected MESH, GaussPoints or Result)");
      }
    }
  } catch (...) {
    out_.flush();
    throw;
  }
  out_.flush();
  return summary_;
}

void Decoder::mesh(const std::string& line, std::uint64_t at) {
  std::int32_t nnode = 0;
  parseLine(at, [&] {
    LineCursor c(line, "MESH");
    c.literal("MESH ");
    c.quoted();
    c.literal(" dimension ");
    c.integer("the dimension");
    c.literal(" ElemType ");
    std::size_t col = c.column();
    std::string_view type = c.word();
    if (GeometryCode(type) < 0) {
      c.back(col);
      c.fault("unknown element type " + Quote(type));
    }
    c.literal(" Nnode ");
    col = c.column();
    nnode = c.integer("the node count");
    if (nnode < 0) {
      c.back(col);
      c.fault("negative node count " + std::to_string(nnode));
    }
    c.end();
  });
  ++summary_.meshes;
  out_.line(line);
  expectLine(coordinatesOpener());
  out_.line("Coordinates");
  readCoordinates();
  expectLine(elementsOpener());
  out_.line("Elements");
  readElements(nnode);
}

void Decoder::gaussPoints(const std::string& line, std::uint64_t at) {
  std::string name;
  int geometry = 0;
  parseLine(at, [&] {
    LineCursor c(line, "GaussPoints");
    c.literal("GaussPoints ");
    name = c.quoted();
    c.literal(" ElemType ");
    std::size_t col = c.column();
    std::string_view type = c.word();
    geometry = GeometryCode(type);
    if (geometry < 0) {
      c.back(col);
      c.fault("unknown element type " + Quote(type));
    }
    if (!c.atEnd()) {
      c.literal(" ");
      c.quoted();
      c.end();
    }
  });
  out_.line(line);

  std::string next;
  std::uint64_t nextAt = 0;
  std::int32_t count = 0;
  requireLine(next, nextAt, "\"Number Of Gauss Points: N\"");
  parseLine(nextAt, [&] {
    LineCursor c(next, "Number Of Gauss Points");
    c.literal("Number Of Gauss Points: ");
    std::size_t col = c.column();
    count = c.integer("the number of Gauss points");
    if (count < 0) {
      c.back(col);
      c.fault("negative number of Gauss points " + std::to_string(count));
    }
    c.end();
  });
  out_.line(next);

  requireLine(next, nextAt, "\"Natural Coordinates: ...\"");
  if (StartsWith(next, "  Nodes")) {
    if (next != "  Nodes included" && next != "  Nodes not included") {
      fail(nextAt, "expected \"  Nodes included\" or \"  Nodes not included\", found " +
                       Quote(next));
    }
    if (geometry != 2) {
      fail(nextAt, "a Nodes line belongs only to Gauss points of Linear elements");
    }
    out_.line(next);
    requireLine(next, nextAt, "\"Natural Coordinates: ...\"");
  }
  if (next != "Natural Coordinates: Internal" && next != "Natural Coordinates: Given") {
    fail(nextAt, "expected \"Natural Coordinates: Internal\" or \"Natural Coordinates: Given\", "
                 "found " + Quote(next));
  }
  out_.line(next);
  expectLine("End GaussPoints");
  out_.line("End GaussPoints");

  auto [it, added] = gaussSets_.emplace(AsciiLowerText(name), count);
  if (!added && it->second != count) {
    fail(at, "Gauss point set " + Quote(name) + " is defined again with " +
                 std::to_string(count) + " points instead of " + std::to_string(it->second));
  }
  ++summary_.gaussPointSets;
}

void Decoder::result(const std::string& line, std::uint64_t at) {
  ResultInfo info;
  std::string analysis;
  parseLine(at, [&] {
    LineCursor c(line, "Result");
    c.literal("Result ");
    info.name = c.quoted();
    c.literal(" ");
    analysis = c.quoted();
    c.literal(" ");
    c.number("the step value");
    c.literal(" ");
    std::size_t col = c.column();
    std::string_view type = c.word();
    if (type == "Scalar") {
      info.binaryValues = info.textValues = 1;
    } else if (type == "Vector") {
      info.binaryValues = 4;  // x, y, z and the modulus
      info.textValues = 3;
    } else if (type == "Matrix") {
      info.binaryValues = info.textValues = 6;
    } else if (type == "PlainDeformationMatrix") {
      info.binaryValues = info.textValues = 4;
    } else {
      c.back(col);
      if (type == "MainMatrix" || type == "LocalAxes") {
        c.fault("result type " + std::string(type) +
                " has no write operation, so its values cannot be read");
      }
      c.fault("unknown result type " + Quote(type));
    }
    c.literal(" ");
    col = c.column();
    std::string_view location = c.word();
    if (location == "OnNodes") {
      info.onNodes = true;
      c.end();
    } else if (location == "OnGaussPoints") {
      info.onNodes = false;
      if (c.atEnd()) c.fault("the result on Gauss points names no Gauss point set");
      c.literal(" ");
      col = c.column();
      std::string set = c.quoted();
      c.end();
      auto it = gaussSets_.find(AsciiLowerText(set));
      if (it == gaussSets_.end()) {
        c.back(col);
        c.fault("unknown Gauss point set " + Quote(set));
      }
      info.records = it->second;
    } else {
      c.back(col);
      c.fault("expected OnNodes or OnGaussPoints, found " + Quote(location));
    }
  });
  out_.line(line);

  std::string next;
  std::uint64_t nextAt = 0;
  requireLine(next, nextAt, Quote(valuesOpener()).c_str());
  if (StartsWith(next, "ResultRangesTable ") || next == "ResultRangesTable") {
    parseLine(nextAt, [&] {
      LineCursor c(next, "ResultRangesTable");
      c.literal("ResultRangesTable ");
      c.quoted();
      c.end();
    });
    out_.line(next);
    requireLine(next, nextAt, Quote(valuesOpener()).c_str());
  }
  if (StartsWith(next, "ComponentNames ") || next == "ComponentNames") {
    parseLine(nextAt, [&] {
      LineCursor c(next, "ComponentNames");
      c.literal("ComponentNames");
      do {
        c.literal(" ");
        c.quoted();
      } while (!c.atEnd());
    });
    out_.line(next);
    requireLine(next, nextAt, Quote(valuesOpener()).c_str());
  }
  if (next != valuesOpener()) {
    fail(nextAt, "expected " + Quote(valuesOpener()) + ", found " + Quote(next));
  }
  out_.line("Values");
  readValues(info);

  ++summary_.results;
  auto [it, added] = analysisIndex_.emplace(analysis, summary_.resultsPerAnalysis.size());
  if (added) summary_.resultsPerAnalysis.emplace_back(analysis, 0);
  ++summary_.resultsPerAnalysis[it->second].second;
}

}  // namespace kelpost
