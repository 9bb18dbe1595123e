// Turns the published index key codes of the three General sort orders into
// the compact tables the engine is built with:
//
//   caseloom-index-codes CODES-DIR OUTPUT.cpp
//
// CODES-DIR holds the code files (one line per UTF-16 code unit: a class
// letter and hexadecimal byte groups); OUTPUT.cpp becomes
// src/engine/text/index_code_tables.cpp. The engine never reads the code
// files itself; run tests/index-codes/generate.sh when they change.
//
// Each table is a stream of records, one per code unit from the first, in
// the form engine/text/index_code_stream.h describes: a literal record, or a
// run of records like the previous one (repeated, or with its inline bytes
// counting up by one), which is what most of the code space looks like.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/text/index_code_stream.h"

namespace {

namespace ics = engine::index_code_stream;
using Record = ics::Record;

std::vector<std::uint8_t> hexBytes(const std::string& hex, const std::string& line) {
  std::string digits = hex.size() % 2 ? "0" + hex : hex;  // a leading zero may be left out
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  if (bytes.empty() && !hex.empty()) throw std::runtime_error("bad code line: " + line);
  return bytes;
}

std::vector<std::string> fields(const std::string& text) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == ',')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

void require(bool ok, const std::string& line) {
  if (!ok) throw std::runtime_error("unexpected code line: '" + line + "'");
}

Record parseLine(const std::string& line) {
  require(!line.empty(), line);
  auto parts = fields(line.substr(1));
  Record r;
  auto setInline = [&](const std::string& hex) {
    auto bytes = hexBytes(hex, line);
    require(!bytes.empty() && bytes.size() <= r.inlineBytes.size(), line);
    r.inlineLength = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), r.inlineBytes.begin());
  };
  auto setExtra = [&](const std::string& hex) {
    auto bytes = hexBytes(hex, line);
    require(bytes.size() <= r.extraBytes.size(), line);
    r.extraLength = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), r.extraBytes.begin());
  };
  auto setOther = [&](const std::string& hex) {
    auto bytes = hexBytes(hex, line);
    require(bytes.size() == 1, line);
    r.other = bytes[0];
  };
  switch (line[0]) {
    case 'S':
    case 'G':
      require(parts.size() == 1, line);
      r.kind = line[0] == 'S' ? ics::Kind::Simple : ics::Kind::Significant;
      setInline(parts[0]);
      break;
    case 'I':
      require(parts.size() == 2, line);
      r.kind = ics::Kind::International;
      setInline(parts[0]);
      setExtra(parts[1]);
      require(r.extraLength > 0, line);
      break;
    case 'U':
      require(parts.size() == 1, line);
      r.kind = ics::Kind::Unprintable;
      setOther(parts[0]);
      break;
    case 'P':
      require(parts.size() == 1, line);
      r.kind = ics::Kind::ExtraModifier;
      setOther(parts[0]);
      break;
    case 'Z':
      require(parts.size() == 3, line);
      r.kind = ics::Kind::InternationalFlagged;
      setInline(parts[0]);
      setExtra(parts[1]);
      r.other = parts[2] == "1" ? ics::kFlagCodeOne : ics::kFlagCodeTwo;
      break;
    case 'X':
      require(line.size() == 1, line);
      r.kind = ics::Kind::Ignored;
      break;
    default:
      require(false, line);
  }
  return r;
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

bool isSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The records of every unit from 0 up to `last`: the base file covers
// 0x00..0xFF, the extension file (when named) the rest but the surrogate
// halves, whose inline bytes the key builder computes.
std::vector<Record> loadRecords(const std::string& dir, const std::string& base,
                                const std::string& extension, std::uint32_t last) {
  auto lines = readLines(dir + "/" + base);
  if (lines.size() != 0x100) throw std::runtime_error(base + " does not have 256 lines");
  if (!extension.empty()) {
    auto more = readLines(dir + "/" + extension);
    if (more.size() != 0x10000 - 0x100 - 0x800)
      throw std::runtime_error(extension + " does not cover U+0100..U+FFFF");
    lines.insert(lines.end(), more.begin(), more.end());
  }
  std::vector<Record> records;
  std::size_t next = 0;
  for (std::uint32_t unit = 0; unit <= last; ++unit) {
    if (isSurrogate(unit)) {
      Record r;
      r.kind = unit < 0xDC00 ? ics::Kind::HighSurrogate : ics::Kind::LowSurrogate;
      records.push_back(r);
    } else {
      records.push_back(parseLine(lines.at(next++)));
    }
  }
  return records;
}

std::vector<std::uint8_t> encode(const std::vector<Record>& records) {
  std::vector<std::uint8_t> out;
  std::size_t i = 0;
  while (i < records.size()) {
    if (i > 0) {
      // Prefer the longer of the two kinds of run.
      std::size_t same = 0, counting = 0;
      while (i + same < records.size() && same < ics::kMaxRun &&
             records[i + same] == records[i - 1])
        ++same;
      std::optional<Record> step = ics::nextInRun(records[i - 1]);
      while (i + counting < records.size() && counting < ics::kMaxRun && step &&
             records[i + counting] == *step) {
        ++counting;
        step = ics::nextInRun(*step);
      }
      if (same > 0 || counting > 0) {
        const bool repeat = same >= counting;
        const std::size_t n = repeat ? same : counting;
        out.push_back(
            static_cast<std::uint8_t>((repeat ? ics::kRepeatRun : ics::kCountingRun) | (n - 1)));
        i += n;
        continue;
      }
    }
    const Record& r = records[i++];
    out.push_back(static_cast<std::uint8_t>(r.kind));
    out.push_back(static_cast<std::uint8_t>(r.inlineLength << 4 | r.extraLength));
    out.insert(out.end(), r.inlineBytes.begin(), r.inlineBytes.begin() + r.inlineLength);
    out.insert(out.end(), r.extraBytes.begin(), r.extraBytes.begin() + r.extraLength);
    out.push_back(r.other);
  }
  return out;
}

void writeArray(std::ostream& out, const std::string& name, const std::vector<std::uint8_t>& bytes,
                std::size_t units) {
  out << "// " << units << " code units in " << bytes.size() << " bytes.\n";
  out << "const std::uint8_t " << name << "[] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(bytes[i]) << ",";
  }
  out << "\n};\n\n";
}

// Jet 3: code units above U+00FF that key as one of the first 256 units.
std::vector<std::uint16_t> loadMappings(const std::string& path) {
  std::vector<std::uint16_t> pairs;
  for (const auto& line : readLines(path)) {
    if (line.empty()) continue;
    auto parts = fields(line);
    require(parts.size() == 2, line);
    const unsigned long unit = std::stoul(parts[0]), code = std::stoul(parts[1]);
    require(unit > 0xFF && unit <= 0xFFFF && code <= 0xFF, line);
    pairs.push_back(static_cast<std::uint16_t>(unit));
    pairs.push_back(static_cast<std::uint16_t>(code));
  }
  return pairs;
}

std::string generate(const std::string& dir) {
  auto general97 = loadRecords(dir, "index_codes_gen_97.txt", "", 0xFF);
  auto legacy = loadRecords(dir, "index_codes_genleg.txt", "index_codes_ext_genleg.txt", 0xFFFF);
  auto general = loadRecords(dir, "index_codes_gen.txt", "index_codes_ext_gen.txt", 0xFFFF);
  auto mappings = loadMappings(dir + "/index_mappings_ext_gen_97.txt");

  std::ostringstream out;
  out << "// Index key codes of the General sort orders, made by caseloom-index-codes\n"
         "// (tests/index-codes) from the published codes named in NOTICE. Do not edit:\n"
         "// run tests/index-codes/generate.sh when the codes change.\n\n"
         "#include \"engine/text/index_code_tables.h\"\n\n"
         "// clang-format off\n"
         "namespace engine::index_code_tables {\n\n"
         "namespace {\n\n";
  writeArray(out, "kGeneral97", encode(general97), general97.size());
  writeArray(out, "kGeneralLegacy", encode(legacy), legacy.size());
  writeArray(out, "kGeneral", encode(general), general.size());
  out << "const std::uint16_t kGeneral97Mappings[] = {";
  for (std::size_t i = 0; i < mappings.size(); i += 2)
    out << (i % 16 == 0 ? "\n    " : " ") << mappings[i] << ", " << mappings[i + 1] << ",";
  out << "\n};\n\n"
         "}  // namespace\n\n"
         "std::span<const std::uint8_t> general97() { return kGeneral97; }\n"
         "std::span<const std::uint8_t> generalLegacy() { return kGeneralLegacy; }\n"
         "std::span<const std::uint8_t> general() { return kGeneral; }\n"
         "std::span<const std::uint16_t> general97Mappings() { return kGeneral97Mappings; }\n\n"
         "}  // namespace engine::index_code_tables\n"
         "// clang-format on\n";
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: caseloom-index-codes CODES-DIR OUTPUT.cpp\n";
    return 2;
  }
  try {
    const std::string text = generate(argv[1]);
    std::ofstream out(argv[2], std::ios::binary);
    out << text;
    if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "caseloom-index-codes: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
