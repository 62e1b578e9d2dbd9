// An output stream buffer that writes to a file descriptor in large blocks.
//
// The command's results go to a pipe or a file in writes of up to 64 KiB: with the standard
// streams' 8 KiB, a search that lists a million lines spends a large share of its time in the
// kernel, waking the reader at every write. What the sink flushes (each line on a terminal) still
// goes out at once.
// Ownership: the descriptor stays the caller's; the buffer flushes on destruction but never
// closes it. Threading: one writer at a time, as any stream buffer.
// Tested by tests/host/cli/descriptor_buffer_test.cpp.
#ifndef VANTREL_HOST_DESCRIPTOR_BUFFER_H_
#define VANTREL_HOST_DESCRIPTOR_BUFFER_H_

#include <streambuf>

namespace host {

class DescriptorBuffer final : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd);
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

  // Whether every write so far reached the descriptor.
  bool good() const { return !failed_; }
  // The errno of the write that failed; 0 while good().
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  static constexpr std::streamsize kSize = 1 << 16;
  bool drain();
  bool writeAll(const char* data, std::streamsize size);

  int fd_;
  bool failed_ = false;
  int error_ = 0;
  char buffer_[kSize];
};

}  // namespace host

#endif  // VANTREL_HOST_DESCRIPTOR_BUFFER_H_
