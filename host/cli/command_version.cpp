// Reading the module's version block (see host/cli/command_version.h).
//
// A block is a tree of records: length, value length, type (0 binary, 1 text), a UTF-16 key,
// padding to 4 bytes, the value, padding to 4 bytes, then child records up to the length.
#include "host/cli/command_version.h"

#include <cstdint>
#include <cstring>

#include "host/ide/addon_session.h"
#include "host/ide/text_encoding.h"

namespace vantrel {
namespace {

struct Record {
  size_t start = 0;
  size_t end = 0;  // start + length
  uint16_t valueLength = 0;
  uint16_t type = 0;
  std::u16string key;
  size_t value = 0;     // offset of the value
  size_t children = 0;  // offset of the first child
};

size_t align4(size_t n) { return (n + 3) & ~size_t{3}; }

uint16_t word(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool readRecord(const unsigned char* data, size_t start, size_t limit, Record& r) {
  if (start + 6 > limit) return false;
  size_t length = word(data + start);
  if (length < 6 || start + length > limit) return false;
  r.start = start;
  r.end = start + length;
  r.valueLength = word(data + start + 2);
  r.type = word(data + start + 4);
  r.key.clear();
  size_t p = start + 6;
  for (;;) {
    if (p + 2 > r.end) return false;
    char16_t c = word(data + p);
    p += 2;
    if (c == 0) break;
    r.key.push_back(c);
  }
  r.value = align4(p);
  size_t valueBytes = r.type == 1 ? size_t{r.valueLength} * 2 : r.valueLength;
  r.children = align4(r.value + valueBytes);
  if (r.value > r.end) return false;
  if (r.children > r.end) r.children = r.end;
  return true;
}

std::string toUtf8(const unsigned char* p, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = word(p + 2 * i);
    if (c == 0) break;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      uint32_t low = word(p + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    host::appendCodePoint(out, c);
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> parseVersionBlock(const void* block, size_t size) {
  std::map<std::string, std::string> values;
  const auto* data = static_cast<const unsigned char*>(block);
  Record root;
  if (!data || !readRecord(data, 0, size, root) || root.key != u"VS_VERSION_INFO") return values;
  for (size_t p = root.children; p < root.end;) {
    Record info;
    if (!readRecord(data, p, root.end, info)) break;
    if (info.key == u"StringFileInfo") {
      Record table;  // the first string table
      if (readRecord(data, info.children, info.end, table)) {
        for (size_t q = table.children; q < table.end;) {
          Record item;
          if (!readRecord(data, q, table.end, item)) break;
          size_t units = item.valueLength;
          if (item.value + units * 2 > item.end) units = (item.end - item.value) / 2;
          std::string key;
          for (char16_t c : item.key) key.push_back(c < 0x80 ? static_cast<char>(c) : '?');
          values[key] = toUtf8(data + item.value, units);
          q = align4(item.end);
        }
      }
      break;
    }
    p = align4(info.end);
  }
  return values;
}

std::map<std::string, std::string> readModuleVersion(HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), RT_VERSION);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return parseVersionBlock(data, SizeofResource(module, found));
}

int showVersion(const std::string& addOnPath, std::ostream& out, std::ostream& err) {
  std::string error;
  HMODULE module = host::addOnModule(addOnPath, error);
  if (!module) {
    err << "vantrel: " << error << std::endl;
    return 2;
  }
  std::map<std::string, std::string> version = readModuleVersion(module);
  FreeLibrary(module);
  if (version.empty()) {
    err << "vantrel: the add-on '" << addOnPath << "' carries no version block" << std::endl;
    return 2;
  }
  out << "vantrel " << version["FileVersion"] << "\n" << version["FileDescription"] << "\n";
  return 0;
}

}  // namespace vantrel
