// Redirecting an imported function (see host/windows/import_hook.h).
#include "host/windows/import_hook.h"

#include <cstring>

namespace vantrel {
namespace {

bool sameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 'a' + 'A') : *a;
    char y = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 'a' + 'A') : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

}  // namespace

FARPROC redirectImport(HMODULE module, const char* dll, const char* function, FARPROC replacement) {
  if (!module) return nullptr;
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0 || imports.Size == 0) return nullptr;
  for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (!sameIgnoringCase(reinterpret_cast<const char*>(base + descriptor->Name), dll)) continue;
    // The names come from the lookup table when there is one; the address table is what calls
    // go through, entry for entry.
    DWORD names =
        descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
    auto* lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names);
    auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; lookup->u1.AddressOfData != 0; ++lookup, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, PAGE_READWRITE,
                          &protection))
        return nullptr;
      auto original = reinterpret_cast<FARPROC>(addresses->u1.Function);
      addresses->u1.Function = reinterpret_cast<decltype(addresses->u1.Function)>(replacement);
      VirtualProtect(&addresses->u1.Function, sizeof addresses->u1.Function, protection,
                     &protection);
      return original;
    }
  }
  return nullptr;
}

}  // namespace vantrel
