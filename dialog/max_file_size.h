// The size limit of a searched file: files of that many bytes or more are refused. It is the
// value MaxFileSize under the add-on's key, else 500,000 bytes. The add-on reads it when a search
// starts; the hosts read it the same way to tell which limit refused a file, and take the same
// numbers on their command lines. So this source is compiled into the add-on and into each host
// (the module exports nothing for it), and the two never read one stored text differently.
//
// Threading: any thread; every call opens the key, reads and closes it again.
// Tested by tests/dialog/max_file_size_test.cpp.
#ifndef VANTREL_DIALOG_MAX_FILE_SIZE_H_
#define VANTREL_DIALOG_MAX_FILE_SIZE_H_

#include "addon/platform.h"
#include "dialog/settings_key.h"

// The value's name under kSettingsKey: a REG_DWORD, or decimal digits in a REG_SZ.
inline constexpr char kMaxFileSizeValue[] = "MaxFileSize";
// The limit when nothing valid is stored, and the largest one taken.
constexpr LONG kDefaultMaxFileSize = 500000;
constexpr LONG kMaxFileSizeCeiling = 2000000000;

// Decimal digits alone (leading zeros allowed) naming 1 to kMaxFileSizeCeiling bytes; else 0.
LONG parseMaxFileSize(const char* text);

// The stored limit, or 0 when it is absent or not a number from 1 to kMaxFileSizeCeiling.
LONG readStoredMaxFileSize();

// The limit a search starting now applies: the stored one, else kDefaultMaxFileSize.
LONG readMaxFileSize();

#endif  // VANTREL_DIALOG_MAX_FILE_SIZE_H_
