// One file's lines, read again after the add-on searched it, for the context shown around its
// hits: the whole file in one read through the host's file object (so exactly the file the
// add-on's own read saw, on either platform), then its lines found going forward with the
// add-on's rule: a line ends at CR, LF, CR LF or LF CR, and a file's last line needs no end.
// While the add-on still has the file open (its hits come during its scan) the read goes through
// that same object (File::openNow), or through a copy of it lent from the searching thread
// (File::shareOpen); otherwise the file is opened again by its name.
//
// Invariants: the buffer is kept and reused from file to file. Lines are found going forward:
// runs without a CR are passed 64 bytes at a time, line feeds counted; otherwise each end is
// found by a look for the first CR or LF; the line after the one asked last starts after its end.
// Each byte up to the last line asked is looked at about once per file as long as lines are asked
// in order; none after it.
// Ownership: owns its buffer; the file is closed before load returns.
// Threading: one thread at a time.
// Tested by tests/host/cli/command_e2e_test.cpp (through the command's context lines).
#ifndef VANTREL_HOST_FILE_LINES_H_
#define VANTREL_HOST_FILE_LINES_H_

#include <string>
#include <string_view>

namespace host {

class File;

// The add-on's line ends are CR, LF, CR LF and LF CR: the bytes of the end that begins with the
// CR or LF at data[at], in data[0, size) (2 for a pair, else 1).
inline size_t lineEndLength(const char* data, size_t size, size_t at) {
  char next = at + 1 < size ? data[at + 1] : '\0';
  return (next == '\r' || next == '\n') && next != data[at] ? 2 : 1;
}

class FileLines {
 public:
  // Reads the file the add-on named `path`, through `lent` when given (which it releases); false
  // (and no lines) when it cannot be read.
  bool load(const std::string& path, File* lent = nullptr);
  // Line `number` (from 1) without its end in `text`; false past the last line. Asking for a
  // line before the last one asked starts again from the top.
  bool line(long number, std::string_view& text);
  // The whole file as read (a line's text lies inside it).
  std::string_view text() const { return std::string_view(bytes_.data(), size_); }

 private:
  // Reads the first `size` bytes of `file`'s text into the buffer; false when that fails.
  bool readFrom(File& file, long long size);
  void restart();
  // The first CR or LF at or after `from` (size_ if none).
  size_t endOfLine(size_t from);

  std::string bytes_;
  size_t size_ = 0;
  long number_ = 1;  // the line that starts at `start_`
  size_t start_ = 0;
  size_t end_ = 0;  // the end of the line at `start_`, once it was shown
  bool endKnown_ = false;
};

}  // namespace host

#endif  // VANTREL_HOST_FILE_LINES_H_
