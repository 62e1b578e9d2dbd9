// The host's file object on Windows (see host/ide/host_file.h): the same contract with Windows'
// own calls. CreateFileA opens for reading and lets others read, write and delete meanwhile, so a
// search never locks a file; only a disk file opens (GetFileType refuses pipes and devices);
// ReadFile reads at the kept position until the count is read or the file ends.
// Tested under Wine by tests/windows/wine_test.sh.
#include "host/ide/host_file.h"

#include <limits>

namespace host {

BOOL File::open(int mode) {
  (void)mode;  // the host holds no editor buffers: every mode reads the file on disk
  close();
  if (name_.empty()) return FALSE;
  try {
    posixPath_.assign(name_);  // on Windows the name is the path that is opened
  } catch (...) {
    posixPath_.clear();
  }
  HANDLE handle = CreateFileA(
      name_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return FALSE;
  }
  handle_ = handle;
  size_ = size.QuadPart;
  position_ = 0;
  openHere_ = this;
  return TRUE;
}

LONG File::read(void* buffer, LONG count) {
  if (handle_ == INVALID_HANDLE_VALUE || count < 0 || (count > 0 && !buffer)) return -1;
  LARGE_INTEGER at;
  at.QuadPart = position_;
  if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN)) return -1;
  LONG total = 0;
  while (total < count) {
    DWORD got = 0;
    if (!ReadFile(handle_, static_cast<char*>(buffer) + total, static_cast<DWORD>(count - total),
                  &got, nullptr))
      return -1;
    if (got == 0) break;  // the end of the file
    total += static_cast<LONG>(got);
  }
  position_ += total;
  return total;
}

LONG File::seek(LONG offset, int origin) {
  if (handle_ == INVALID_HANDLE_VALUE) return -1;
  LONG target = seekTarget(position_, size_, offset, origin);
  if (target >= 0) position_ = target;
  return target;
}

void File::close() {
  if (openHere_ == this) openHere_ = nullptr;
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  size_ = 0;
  position_ = 0;
}

}  // namespace host
