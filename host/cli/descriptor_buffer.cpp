// Block writes to a descriptor (see host/cli/descriptor_buffer.h).
// Tested by tests/host/cli/descriptor_buffer_test.cpp.
#include "host/cli/descriptor_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace host {

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + kSize); }

DescriptorBuffer::~DescriptorBuffer() { drain(); }

bool DescriptorBuffer::writeAll(const char* data, std::streamsize size) {
  while (size > 0 && !failed_) {
    ssize_t written = ::write(fd_, data, static_cast<size_t>(size));
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      failed_ = true;  // a closed pipe or a full disk: later output is dropped, not retried
      break;
    }
    data += written;
    size -= written;
  }
  return !failed_;
}

bool DescriptorBuffer::drain() {
  bool ok = writeAll(pbase(), pptr() - pbase());
  setp(buffer_, buffer_ + kSize);
  return ok;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
  std::streamsize room = epptr() - pptr();
  if (size <= room) {
    std::memcpy(pptr(), data, static_cast<size_t>(size));
    pbump(static_cast<int>(size));
    return size;
  }
  if (!drain()) return 0;
  if (size >= kSize) return writeAll(data, size) ? size : 0;
  std::memcpy(pptr(), data, static_cast<size_t>(size));
  pbump(static_cast<int>(size));
  return size;
}

int DescriptorBuffer::sync() { return drain() ? 0 : -1; }

}  // namespace host
