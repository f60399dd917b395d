#include "import_hooks.h"

#include <cstring>

int PatchImport(HMODULE module, const char *name, void *replacement, void **original) {
  auto *base = reinterpret_cast<BYTE *>(module);
  const auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
  const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return 0;
  int patched = 0;
  for (auto *import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + directory.VirtualAddress);
       import->Name; ++import) {
    if (!import->OriginalFirstThunk) continue;  // no names to match against
    auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->OriginalFirstThunk);
    auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + import->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char *>(byName->Name), name) != 0) continue;
      DWORD protection;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      if (original) *original = reinterpret_cast<void *>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      ++patched;
    }
  }
  return patched;
}
