// Build-time generator of the UTF-8 upper-case table (win32/user32/text.cpp) from the Unicode
// character database's UnicodeData.txt (Debian's unicode-data package).
//
// Usage: upper_table_gen UnicodeData.txt OUTPUT
//
// The table keeps, for each code point, the simple upper-case mapping (field 12) when its UTF-8
// form has as many bytes as the code point's own, and 0 otherwise: a fold in place can only
// replace a sequence by one of the same length. It is two-staged: code points in blocks of 64,
// a byte per block naming its row (row 0 is all zeros), rows shared when equal. Code points from
// the last mapped one's block up have no row at all.
// Exercised by tests/win32/user32/text_test.cpp through CharUpperBuffA.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kBlock = 64;

int utf8Length(uint32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// The fields of one line, split at ';'.
std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ';')) fields.push_back(field);
  if (!line.empty() && line.back() == ';') fields.emplace_back();
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s UnicodeData.txt OUTPUT\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "upper_table_gen: cannot read %s\n", argv[1]);
    return 1;
  }
  std::map<uint32_t, uint32_t> upper;
  size_t mappings = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields = fieldsOf(line);
    if (fields.size() < 13 || fields[12].empty()) continue;
    uint32_t cp = static_cast<uint32_t>(std::strtoul(fields[0].c_str(), nullptr, 16));
    uint32_t capital = static_cast<uint32_t>(std::strtoul(fields[12].c_str(), nullptr, 16));
    ++mappings;
    if (cp >= 0x80 && capital != cp && utf8Length(capital) == utf8Length(cp)) upper[cp] = capital;
  }
  // A database without a few hundred mappings is not the one meant.
  if (mappings < 1000 || upper.empty()) {
    std::fprintf(stderr, "upper_table_gen: %s holds only %zu upper-case mappings\n", argv[1],
                 mappings);
    return 1;
  }

  uint32_t blocks = upper.rbegin()->first / kBlock + 1;
  std::vector<std::vector<uint32_t>> rows{std::vector<uint32_t>(kBlock, 0)};
  std::map<std::vector<uint32_t>, size_t> rowIndex{{rows[0], 0}};
  std::vector<size_t> blockRow(blocks, 0);
  for (uint32_t b = 0; b < blocks; ++b) {
    std::vector<uint32_t> row(kBlock, 0);
    for (uint32_t i = 0; i < kBlock; ++i) {
      auto it = upper.find(b * kBlock + i);
      if (it != upper.end()) row[i] = it->second;
    }
    auto [at, added] = rowIndex.emplace(row, rows.size());
    if (added) rows.push_back(row);
    blockRow[b] = at->second;
  }
  if (rows.size() > 256) {
    std::fprintf(stderr, "upper_table_gen: %zu rows do not fit a byte index\n", rows.size());
    return 1;
  }

  std::ofstream out(argv[2]);
  out << "// Generated at build time by win32/unicode/upper_table_gen.cpp from UnicodeData.txt.\n"
      << "// " << upper.size() << " code points have a capital of the same UTF-8 length.\n"
      << "constexpr uint32_t kUpperBlockSize = " << kBlock << ";\n"
      << "constexpr uint32_t kUpperLimit = 0x" << std::hex << blocks * kBlock << std::dec << ";\n"
      << "constexpr uint8_t kUpperRowOfBlock[" << blocks << "] = {";
  for (uint32_t b = 0; b < blocks; ++b) out << (b % 24 ? " " : "\n    ") << blockRow[b] << ",";
  out << "\n};\nconstexpr uint32_t kUpperRows[" << rows.size() << "][" << kBlock << "] = {\n";
  for (const std::vector<uint32_t>& row : rows) {
    out << "    {";
    for (uint32_t i = 0; i < kBlock; ++i) out << (i % 8 ? " " : "\n        ") << row[i] << ",";
    out << "},\n";
  }
  out << "};\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "upper_table_gen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
