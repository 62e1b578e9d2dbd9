// The add-on's size limit of a searched file as a search starting now reads it, and where it
// comes from: the value MaxFileSize under the add-on's key, or this run's --max-filesize, which
// the host puts in place of the stored value without storing it
// (win32/advapi32/registry_override.h). Files of the limit's size or more are refused.
//
// Threading: any thread. Tested by tests/host/cli/command_e2e_test.cpp.
#ifndef VANTREL_HOST_FILE_SIZE_LIMIT_H_
#define VANTREL_HOST_FILE_SIZE_LIMIT_H_

namespace host {

struct FileSizeLimit {
  enum class Source { kDefault, kRegistry, kThisRun };
  unsigned long bytes = 500000;
  Source source = Source::kDefault;
};

// Makes every search of this process refuse files of `bytes` bytes or more (1 to 2,000,000,000).
// POSIX only: the Windows command reads the registry through Windows.
void limitFileSizeForThisRun(unsigned long bytes);

// The limit the add-on's next search will apply.
FileSizeLimit fileSizeLimit();

}  // namespace host

#endif  // VANTREL_HOST_FILE_SIZE_LIMIT_H_
