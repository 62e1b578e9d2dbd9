// RegOpenKeyExA, RegCreateKeyExA, RegQueryValueExA, RegSetValueExA and RegCloseKey over the
// registry file (win32/advapi32/registry_store.h).
//
// An open key is a heap record holding the key's full path ("HKEY_LOCAL_MACHINE\SOFTWARE\...")
// and the access it was opened with; the predefined keys are pseudo-handles that need no closing.
// Every change is one transaction (or part of the calling thread's batch,
// win32/advapi32/registry_store.h), so a reader or another process sees a value either whole or not
// at all. A value the process overrides (win32/advapi32/registry_override.h) is read in place of
// the file's. Tested by tests/win32/advapi32/registry_test.cpp.
#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "win32/advapi32/registry_override.h"
#include "win32/advapi32/registry_store.h"
#include "win32/include/winreg.h"

namespace {

struct OpenKey {
  std::string path;
  REGSAM access;
};

struct Handles {
  std::mutex mutex;
  std::unordered_set<OpenKey*> live;
};

Handles& handles() {
  static Handles* h = new Handles;
  return *h;
}

const char* predefinedName(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
  if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
  if (key == HKEY_USERS) return "HKEY_USERS";
  return nullptr;
}

// The path and access of an open or predefined key; false for anything else.
bool describe(HKEY key, std::string* path, REGSAM* access) {
  if (const char* root = predefinedName(key)) {
    *path = root;
    *access = KEY_ALL_ACCESS;
    return true;
  }
  Handles& h = handles();
  std::lock_guard<std::mutex> lock(h.mutex);
  auto* record = reinterpret_cast<OpenKey*>(key);
  if (!h.live.count(record)) return false;
  *path = record->path;
  *access = record->access;
  return true;
}

HKEY newHandle(std::string path, REGSAM access) {
  auto* record = new OpenKey{std::move(path), access};
  Handles& h = handles();
  std::lock_guard<std::mutex> lock(h.mutex);
  h.live.insert(record);
  return reinterpret_cast<HKEY>(record);
}

// Appends the components of `subKey` to `path`, remembering each prefix that names a key below
// the root. A leading or doubled backslash is a bad path, as on Windows; a trailing one is ignored.
LONG appendSubKey(std::string* path, LPCSTR subKey, std::vector<std::string>* prefixes) {
  if (!subKey) return ERROR_SUCCESS;
  const char* p = subKey;
  if (*p == '\\') return ERROR_BAD_PATHNAME;
  while (*p) {
    const char* end = strchr(p, '\\');
    size_t length = end ? static_cast<size_t>(end - p) : strlen(p);
    if (length == 0) return ERROR_BAD_PATHNAME;
    path->push_back('\\');
    path->append(p, length);
    if (prefixes) prefixes->push_back(*path);
    p += length;
    if (*p == '\\') ++p;
  }
  return ERROR_SUCCESS;
}

bool isRoot(const std::string& path) { return path.find('\\') == std::string::npos; }

void bindText(sqlite3_stmt* stmt, int index, const std::string& text) {
  sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Whether the key row exists (roots always do); SQLite's result in *rc.
bool keyExists(sqlite3* db, const std::string& path, int* rc) {
  *rc = SQLITE_OK;
  if (isRoot(path)) return true;
  sqlite3_stmt* stmt = nullptr;
  *rc = sqlite3_prepare_v2(db, "SELECT 1 FROM keys WHERE path = ?1", -1, &stmt, nullptr);
  bool found = false;
  if (*rc == SQLITE_OK) {
    bindText(stmt, 1, path);
    *rc = sqlite3_step(stmt);
    found = *rc == SQLITE_ROW;
    if (*rc == SQLITE_ROW || *rc == SQLITE_DONE) *rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  return found;
}

std::string valueName(LPCSTR name) { return name ? name : ""; }

// Adds the rows of `path` and of every key above it below the root; SQLite's result.
int insertKeyAndParents(sqlite3* db, const std::string& path) {
  sqlite3_stmt* stmt = nullptr;
  int rc =
      sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO keys(path) VALUES(?1)", -1, &stmt, nullptr);
  for (size_t end = path.find('\\'); rc == SQLITE_OK && end != std::string::npos;) {
    end = path.find('\\', end + 1);
    sqlite3_reset(stmt);
    bindText(stmt, 1, path.substr(0, end));
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  sqlite3_finalize(stmt);
  return rc;
}

}  // namespace

WINAPI_EXPORT LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access,
                                        PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  REGSAM baseAccess;
  if (!describe(key, &path, &baseAccess)) return ERROR_INVALID_HANDLE;
  if (LONG error = appendSubKey(&path, subKey, nullptr); error != ERROR_SUCCESS) return error;
  if (!isRoot(path) && !vwin::registry::overriddenKey(path)) {
    bool found = false;
    LONG error = vwin::registry::withDatabase([&](sqlite3* db) -> LONG {
      int rc;
      found = keyExists(db, path, &rc);
      return vwin::registry::errorFromSqlite(rc);
    });
    if (error != ERROR_SUCCESS) return error;
    if (!found) return ERROR_FILE_NOT_FOUND;
  }
  *result = newHandle(std::move(path), access);
  return ERROR_SUCCESS;
}

WINAPI_EXPORT LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD,
                                          REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result,
                                          LPDWORD disposition) {
  if (!result || !subKey) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  REGSAM baseAccess;
  if (!describe(key, &path, &baseAccess)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> prefixes;
  if (LONG error = appendSubKey(&path, subKey, &prefixes); error != ERROR_SUCCESS) return error;
  bool created = false;
  if (!prefixes.empty()) {
    LONG error = vwin::registry::withChange([&](sqlite3* db) -> LONG {
      sqlite3_stmt* stmt = nullptr;
      int rc =
          sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO keys(path) VALUES(?1)", -1, &stmt, nullptr);
      for (const std::string& prefix : prefixes) {
        if (rc != SQLITE_OK) break;
        sqlite3_reset(stmt);
        bindText(stmt, 1, prefix);
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) {
          created = sqlite3_changes(db) > 0;
          rc = SQLITE_OK;
        }
      }
      sqlite3_finalize(stmt);
      return vwin::registry::errorFromSqlite(rc);
    });
    if (error != ERROR_SUCCESS) return error;
  }
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = newHandle(std::move(path), access);
  return ERROR_SUCCESS;
}

WINAPI_EXPORT LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type,
                                           LPBYTE data, LPDWORD dataSize) {
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  std::string path;
  REGSAM access;
  if (!describe(key, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  std::string bytes;
  DWORD storedType = REG_NONE;
  bool found = vwin::registry::overriddenValue(path, valueName(name), &storedType, &bytes);
  LONG error = found ? ERROR_SUCCESS : vwin::registry::withDatabase([&](sqlite3* db) -> LONG {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2", -1,
                                &stmt, nullptr);
    if (rc == SQLITE_OK) {
      bindText(stmt, 1, path);
      bindText(stmt, 2, valueName(name));
      rc = sqlite3_step(stmt);
      if (rc == SQLITE_ROW) {
        found = true;
        storedType = static_cast<DWORD>(sqlite3_column_int64(stmt, 0));
        const void* blob = sqlite3_column_blob(stmt, 1);
        int size = sqlite3_column_bytes(stmt, 1);
        if (blob && size > 0) bytes.assign(static_cast<const char*>(blob), size);
        rc = SQLITE_OK;
      }
    }
    sqlite3_finalize(stmt);
    return vwin::registry::errorFromSqlite(rc);
  });
  if (error != ERROR_SUCCESS) return error;
  if (!found) return ERROR_FILE_NOT_FOUND;
  if (type) *type = storedType;
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (data) {
    if (*dataSize < needed) {
      *dataSize = needed;
      return ERROR_MORE_DATA;
    }
    if (needed) memcpy(data, bytes.data(), needed);
  }
  if (dataSize) *dataSize = needed;
  return ERROR_SUCCESS;
}

WINAPI_EXPORT LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                                         DWORD dataSize) {
  if ((!data && dataSize) || dataSize > 0x7fffffffu) return ERROR_INVALID_PARAMETER;
  std::string path;
  REGSAM access;
  if (!describe(key, &path, &access)) return ERROR_INVALID_HANDLE;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return vwin::registry::withChange([&](sqlite3* db) -> LONG {
    int rc;
    if (!keyExists(db, path, &rc)) {
      if (rc != SQLITE_OK) return vwin::registry::errorFromSqlite(rc);
      // A key that stands only for an overridden value was opened as existing: the first value
      // written makes it in the file, with its parents, as RegCreateKeyExA would have.
      if (!vwin::registry::overriddenKey(path)) return ERROR_KEY_DELETED;
      rc = insertKeyAndParents(db, path);
      if (rc != SQLITE_OK) return vwin::registry::errorFromSqlite(rc);
    }
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db,
                            "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4)"
                            " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type,"
                            " data = excluded.data",
                            -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
      bindText(stmt, 1, path);
      bindText(stmt, 2, valueName(name));
      sqlite3_bind_int64(stmt, 3, type);
      sqlite3_bind_blob(stmt, 4, dataSize ? data : reinterpret_cast<const BYTE*>(""),
                        static_cast<int>(dataSize), SQLITE_TRANSIENT);
      rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return vwin::registry::errorFromSqlite(rc);
  });
}

WINAPI_EXPORT LONG WINAPI RegCloseKey(HKEY key) {
  if (predefinedName(key)) return ERROR_SUCCESS;
  auto* record = reinterpret_cast<OpenKey*>(key);
  {
    Handles& h = handles();
    std::lock_guard<std::mutex> lock(h.mutex);
    if (!h.live.erase(record)) return ERROR_INVALID_HANDLE;
  }
  delete record;
  return ERROR_SUCCESS;
}
