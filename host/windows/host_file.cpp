// The host's file object on Windows (see host/ide/host_file.h): the same contract with Windows'
// own calls. CreateFileA opens for reading and lets others read, write and delete meanwhile, so a
// search never locks a file; only a disk file opens (GetFileType refuses pipes and devices,
// asked only where the name could lead to one); ReadFile reads at the kept position until the
// count is read or the file ends, the handle's file pointer moved only when it stands elsewhere.
// Each call is a round trip to the Wine server under Wine, so a file costs as few as it can:
// CreateFileA, GetFileSizeEx, ReadFile and CloseHandle for a file read once from its start.
// Tested under Wine by tests/windows/wine_test.sh.
#include "host/ide/host_file.h"

#include <limits>
#include <string_view>

#include "host/ide/passed_over_report.h"

namespace host {

namespace {

// Whether the name can only lead to a file on a disk: a path from a drive's root ("C:\src\a.c")
// whose last part is no name Windows keeps for a device. A relative path (the current directory
// may be a share), a UNC path (a server's pipe), the device namespace ("\\.\") and CON, NUL, AUX
// and the like are asked of Windows once open.
bool onlyADiskFile(const std::string& name) {
  bool fromDrive = name.size() > 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/') &&
                   ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z');
  if (!fromDrive) return false;
  std::string_view last(name);
  last.remove_prefix(last.find_last_of("\\/") + 1);
  if (isWindowsDeviceName(last)) return false;
  std::string_view stem = last.substr(0, last.find('.'));
  auto same = [&](std::string_view device) {
    if (stem.size() != device.size()) return false;
    for (size_t i = 0; i < stem.size(); ++i)
      if ((stem[i] | 0x20) != (device[i] | 0x20)) return false;
    return true;
  };
  return !same("conin$") && !same("conout$") && !same("clock$");
}

}  // namespace

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
  if ((!onlyADiskFile(name_) && GetFileType(handle) != FILE_TYPE_DISK) ||
      !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return FALSE;
  }
  handle_ = handle;
  handleAt_ = 0;
  size_ = size.QuadPart;
  position_ = 0;
  openHere_ = this;
  return TRUE;
}

LONG File::read(void* buffer, LONG count) {
  if (handle_ == INVALID_HANDLE_VALUE || count < 0 || (count > 0 && !buffer)) return -1;
  if (handleAt_ != position_) {
    LARGE_INTEGER at;
    at.QuadPart = position_;
    if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN)) return -1;
    handleAt_ = position_;
  }
  LONG total = 0;
  while (total < count) {
    DWORD got = 0;
    if (!ReadFile(handle_, static_cast<char*>(buffer) + total, static_cast<DWORD>(count - total),
                  &got, nullptr)) {
      handleAt_ = -1;  // not known: the next read places it
      return -1;
    }
    if (got == 0) break;  // the end of the file
    total += static_cast<LONG>(got);
  }
  position_ += total;
  handleAt_ = position_;
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
