// The host's file object (HostFile): reads one file, named by a Windows path, from disk for the
// add-on.
//
// Invariants: the file is opened read-only and never created, written or locked; only a regular
// file opens (a directory, FIFO, socket or device is refused after fstat, and O_NONBLOCK keeps the
// open of a FIFO from waiting for a writer). The size comes from fstat at open, the position is
// kept here, and `read` reads at that position with pread until the count is read or the file
// ends, so a scan costs one open, one fstat, a read of the first three bytes and one read.
// What the add-on reads is the file's text (host/ide/file_text.h): after a UTF-8 byte-order mark,
// or, for a file with a UTF-16 mark, the file converted at open into a buffer that sizes, reads
// and seeks then follow. A UTF-16 file that could not convert to less than the add-on's size
// limit (host/ide/file_size_limit.h) is not converted: its size is the least its text could take,
// which the add-on refuses unread, so memory stays bounded by the limit. `probe` answers 0: this
// host holds no file in an editor buffer, so every file is read from disk whatever the open mode.
// The host's own reads (context lines around hits) go through `openNow` and `readAt`: the file
// the add-on has open on this thread is read again at an offset without a second open and without
// moving the add-on's position, or, from another thread, through a copy made by `shareOpen`.
// Ownership: a File is born with one reference (the add-on's); the descriptor is closed by
// `close` or at the last Release, after which the object is kept for the next file with its
// name's buffer (host/ide/object_pool.h). `openNow` lends the add-on's object, valid until it is
// closed.
// Threading: one thread at a time (the thread of the scan that made it, or the thread it was
// handed over to: host/ide/search_threads.h).
// Tested by tests/host/ide/host_file_test.cpp.
#ifndef VANTREL_HOST_HOST_FILE_H_
#define VANTREL_HOST_HOST_FILE_H_

#include <limits>
#include <optional>
#include <string>

#include "host/ide/host_string.h"
#include "host/ide/ref_counted.h"

namespace host {

// Where a seek by `offset` from `origin` (0 start, 1 `position`, 2 `size`) lands, kept to the
// largest position a LONG can carry; -1 for an unknown origin or a place before the start. The
// one rule both platforms' file objects follow.
inline LONG seekTarget(long long position, long long size, LONG offset, int origin) {
  long long base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = position;
      break;
    case 2:
      base = size;
      break;
    default:
      return -1;
  }
  long long target = base + offset;
  if (target < 0) return -1;
  constexpr LONG kLargest = std::numeric_limits<LONG>::max();
  return static_cast<LONG>(target > kLargest ? kLargest : target);
}

class File final : public RefCounted<HostFile> {
 public:
  File() = default;
  ~File() override { close(); }

  // Takes over `name` (a Windows path); NULL clears the name.
  void STDMETHODCALLTYPE setName(HostString* name) override {
    if (openHere_ == this) openHere_ = nullptr;  // the name no longer says what is open
    if (!takeTextInto(name, name_)) name_.clear();
  }
  BOOL STDMETHODCALLTYPE probe() override { return FALSE; }
  // Any mode reads from disk. Non-zero when the named regular file is open for reading; a file
  // already open is closed first.
  BOOL STDMETHODCALLTYPE open(int mode) override;
  // Reads up to `count` bytes at the position: the bytes read (fewer only at the end of the
  // file), or -1 when the file is not open, the count is negative or the read fails.
  LONG STDMETHODCALLTYPE read(void* buffer, LONG count) override;
  // Origin 0 start, 1 current, 2 end. Answers the new position, or -1 for an unknown origin, a
  // position before the start or a file that is not open. A file of 2 GiB or more reports its
  // end as 0x7FFFFFFF, the largest position the interface can carry.
  LONG STDMETHODCALLTYPE seek(LONG offset, int origin) override;
  void STDMETHODCALLTYPE close() override;

  // The POSIX path the last open mapped the name to (empty before, and when the layer had opened
  // it ahead), for diagnostics and tests: relative to the current directory for a relative name
  // inside it.
  const std::string& posixPath() const { return posixPath_; }

  // The file this thread opened last, if it is still open under `name`: while the add-on scans a
  // file, the one it is reading.
  static File* openNow(const std::string& name) {
    return openHere_ && openHere_->name_ == name ? openHere_ : nullptr;
  }
  // Makes this open file the one `openNow` answers on the calling thread: the thread that read it
  // has handed it over to the thread that writes its hits.
  void readOnThisThread() { openHere_ = this; }
  // The size of the open file's text (what `seek(0, 2)` answers, without moving there).
  long long textSize() const { return size_; }
  // Reads as `read` does, at `offset` instead of the position, which stays where it was.
  LONG readAt(LONG offset, void* buffer, LONG count) {
    long long kept = position_;
    position_ = offset;
    LONG got = read(buffer, count);
    position_ = kept;
    return got;
  }

#ifndef _WIN32
  // A second file object on this open file, for a reader on another thread: the same text (of the
  // same file, even when its name is replaced meanwhile), read at offsets through a descriptor of
  // its own, closed with it. NULL when it cannot be had (no descriptor left, no memory).
  File* shareOpen() const;
#endif

  ULONG STDMETHODCALLTYPE Release() override;

 private:
  friend class ObjectPool<File, 4>;
  void recycle();

  static inline thread_local File* openHere_ = nullptr;

#ifndef _WIN32
  // After the open: looks for a byte-order mark and converts a UTF-16 file; false when the file
  // cannot be read.
  bool readText();
  // Takes `fd`, a regular file of `size` bytes, as the file open here and reads its text; closes
  // it and answers FALSE when that fails.
  BOOL adopt(int fd, long long size);
#endif
  std::string name_;
  std::string posixPath_;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;  // host/windows/host_file.cpp
  long long handleAt_ = 0;                // where the handle's own file pointer stands
#else
  int fd_ = -1;
#endif
  long long size_ = 0;
  long long position_ = 0;
#ifndef _WIN32
  long long skip_ = 0;      // bytes before the text: a UTF-8 byte-order mark
  bool converted_ = false;  // the text is `text_`, converted from UTF-16
  std::string text_;
#endif
};

using FilePool = ObjectPool<File, 4>;

// Both platforms' file objects go back to the pool the same way.
inline ULONG File::Release() {
  bool last = false;
  ULONG left = dropReference(last);
  if (last) FilePool::give(this);
  return left;
}

inline void File::recycle() {
  close();
  name_.clear();
  posixPath_.clear();
}

}  // namespace host

#endif  // VANTREL_HOST_HOST_FILE_H_
