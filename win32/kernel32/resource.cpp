// FindResourceA, LoadResource, LockResource and SizeofResource over the compiled resources (.res)
// that a module carries in its "Vantrel" ELF note (see resources/CMakeLists.txt).
//
// The note is allocated, so it lies in a PT_NOTE segment of the loaded object: it is found
// through dl_iterate_phdr, the module matched by its file (the loader's path of the handle; the
// main program for a NULL handle). An HRSRC points at the entry's header inside the note and an
// HGLOBAL at its data, both valid while the module stays loaded; nothing is allocated.
//
// Entry layout (a .res file): DWORD DataSize, DWORD HeaderSize, TYPE and NAME (each 0xFFFF then a
// WORD ordinal, or a NUL-terminated UTF-16 string), padding to a DWORD, DataVersion, MemoryFlags,
// LanguageId, Version, Characteristics, then the data padded to a DWORD.
// Tested by tests/win32/kernel32/resource_test.cpp.
#include <elf.h>
#include <link.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "win32/include/winbase.h"
#include "win32/kernel32/module.h"

namespace {

constexpr char kNoteName[] = "Vantrel";
constexpr uint32_t kNoteType = 0x52455321;

struct Blob {
  const BYTE* data = nullptr;
  size_t size = 0;
};

struct Search {
  bool wantMain;
  dev_t device;
  ino_t inode;
  Blob found;
  bool first = true;
};

bool sameFile(const char* path, dev_t device, ino_t inode) {
  struct stat st;
  return path && *path && stat(path, &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

Blob noteIn(const dl_phdr_info* info) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    const BYTE* p = reinterpret_cast<const BYTE*>(info->dlpi_addr + ph.p_vaddr);
    const BYTE* end = p + ph.p_memsz;
    while (p + sizeof(ElfW(Nhdr)) <= end) {
      ElfW(Nhdr) header;
      memcpy(&header, p, sizeof header);
      const BYTE* name = p + sizeof header;
      const BYTE* desc = name + ((header.n_namesz + 3) & ~3u);
      const BYTE* next = desc + ((header.n_descsz + 3) & ~3u);
      if (next > end || next < p) break;
      if (header.n_type == kNoteType && header.n_namesz == sizeof kNoteName &&
          memcmp(name, kNoteName, sizeof kNoteName) == 0)
        return Blob{desc, header.n_descsz};
      p = next;
    }
  }
  return Blob{};
}

int visit(dl_phdr_info* info, size_t, void* context) {
  auto* search = static_cast<Search*>(context);
  bool isMain = search->first;  // the main program is always listed first
  search->first = false;
  bool match = search->wantMain
                   ? isMain
                   : (isMain ? sameFile("/proc/self/exe", search->device, search->inode)
                             : sameFile(info->dlpi_name, search->device, search->inode));
  if (!match) return 0;
  search->found = noteIn(info);
  return 1;
}

// The .res bytes the module carries; empty when it carries none or is not loaded.
Blob resourcesOf(HMODULE module) {
  Search search{module == nullptr, 0, 0, {}};
  if (module) {
    const char* path = vwinModulePath(module);
    if (!path) return Blob{};
    struct stat st;
    if (stat(path, &st) != 0) return Blob{};
    search.device = st.st_dev;
    search.inode = st.st_ino;
  }
  dl_iterate_phdr(visit, &search);
  return search.found;
}

DWORD readDword(const BYTE* p) {
  DWORD v;
  memcpy(&v, p, 4);
  return v;
}

WORD readWord(const BYTE* p) {
  WORD v;
  memcpy(&v, p, 2);
  return v;
}

// Compares a TYPE or NAME field at `p` (within `end`) with the caller's id; advances `p` past it.
bool idMatches(const BYTE*& p, const BYTE* end, LPCSTR wanted, bool* valid) {
  *valid = false;
  if (p + 2 > end) return false;
  if (readWord(p) == 0xFFFF) {
    if (p + 4 > end) return false;
    WORD ordinal = readWord(p + 2);
    p += 4;
    *valid = true;
    if (IS_INTRESOURCE(wanted))
      return ordinal == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(wanted));
    if (wanted[0] == '#') return ordinal == static_cast<WORD>(strtoul(wanted + 1, nullptr, 10));
    return false;
  }
  bool equal = !IS_INTRESOURCE(wanted) && wanted[0] != '#';
  size_t i = 0;
  for (;; ++i, p += 2) {
    if (p + 2 > end) return false;
    WORD unit = readWord(p);
    if (unit == 0) break;
    if (equal) {
      char c = wanted[i];
      if (c == '\0' || (unit > 0x7F) || toupper(static_cast<unsigned char>(c)) != toupper(unit))
        equal = false;
    }
  }
  p += 2;
  *valid = true;
  return equal && !IS_INTRESOURCE(wanted) && wanted[i] == '\0';
}

}  // namespace

WINAPI_EXPORT HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Blob res = resourcesOf(module);
  if (!res.data) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  const BYTE* end = res.data + res.size;
  bool typeSeen = false;
  for (const BYTE* entry = res.data; entry + 8 <= end;) {
    DWORD dataSize = readDword(entry);
    DWORD headerSize = readDword(entry + 4);
    if (headerSize < 24 || headerSize > static_cast<size_t>(end - entry) ||
        dataSize > static_cast<size_t>(end - entry) - headerSize)
      break;  // a damaged table ends the search
    const BYTE* p = entry + 8;
    const BYTE* headerEnd = entry + headerSize;
    bool valid;
    bool typeMatch = idMatches(p, headerEnd, type, &valid);
    if (!valid) break;
    bool nameMatch = idMatches(p, headerEnd, name, &valid);
    if (!valid) break;
    if (typeMatch) typeSeen = true;
    if (typeMatch && nameMatch) return reinterpret_cast<HRSRC>(const_cast<BYTE*>(entry));
    size_t next = (static_cast<size_t>(headerSize) + dataSize + 3) & ~size_t{3};
    if (next > static_cast<size_t>(end - entry)) break;
    entry += next;
  }
  SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

WINAPI_EXPORT HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const BYTE* entry = reinterpret_cast<const BYTE*>(resource);
  return const_cast<BYTE*>(entry + readDword(entry + 4));
}

WINAPI_EXPORT LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

WINAPI_EXPORT DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return readDword(reinterpret_cast<const BYTE*>(resource));
}
