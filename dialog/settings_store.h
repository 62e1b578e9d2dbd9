// The remembered settings: the last fifteen texts of each of the search dialog's three fields and
// the option word, kept only in the registry under the add-on's key. Every call opens the key,
// reads or writes one value and closes it again; nothing is cached.
//
// Invariants: history entry i (1 = most recent) is the value `pattern` formatted with i; indices
// outside 1..15 are never read or written; a missing or empty value is no entry; the store never
// leaves a gap itself. Values are REG_SZ of text length + 1 bytes. Texts handed out are at most
// 499 characters (longer stored values are cut).
//
// Threading: the IDE's thread only (the dialog). Failures are silent: reads answer "absent",
// writes answer false. Tested by tests/dialog/settings_store_test.cpp.
#ifndef VANTREL_DIALOG_SETTINGS_STORE_H_
#define VANTREL_DIALOG_SETTINGS_STORE_H_

#include "addon/platform.h"
#include "dialog/settings_key.h"

// Value-name patterns of the three history lists, and the options value.
extern const char kTextToFindPattern[];
extern const char kFileMaskPattern[];
extern const char kDirectoriesPattern[];
extern const char kOptionsValue[];

constexpr int kHistoryLength = 15;
// Width of a text handed to callers: 499 characters and the terminator.
constexpr int kSettingSize = 500;

// One history list as read, most recent first.
struct HistoryList {
  int count = 0;
  char entries[kHistoryLength][kSettingSize];
};

// Stores `text` under `valueName`, creating the key (and its parents) when it cannot be opened.
bool writeSetting(LPCSTR valueName, LPCSTR text);
// Fills `text` (kSettingSize bytes) with the value's bytes taken as text; false, leaving `text`
// untouched, when the key or value cannot be read (also for a value of 2000 bytes or more).
bool readSetting(LPCSTR valueName, char* text);

// Non-zero (the entry's first character) when entry `index` exists and is not empty; copies it to
// `text` (kSettingSize bytes) when given.
int readHistoryEntry(LPCSTR pattern, int index, char* text);
void writeHistoryEntry(LPCSTR pattern, int index, LPCSTR text);
// How many of the indices 1..15 hold a non-empty entry (gaps are not detected).
int countHistoryEntries(LPCSTR pattern);
// The first countHistoryEntries() indices, keeping those that read as non-empty, in index order.
// Answers the number of entries placed in `list`.
int readHistory(LPCSTR pattern, HistoryList* list);
// Makes `text` entry 1: an equal entry k (case-sensitive) is taken out by moving entries
// 1..k-1 down one; otherwise every entry moves down and the 15th falls off.
void pushHistory(LPCSTR pattern, LPCSTR text);

// The stored option word ("Options" as decimal text); 0 when it cannot be read.
WORD readOptions();
// Parses an "Options" text: leading white space, an optional sign, decimal digits up to the
// first non-digit (none give 0), the result cut to its low 16 bits.
WORD parseOptions(const char* text);
// Writes `options` as decimal text.
bool writeOptions(WORD options);

#endif  // VANTREL_DIALOG_SETTINGS_STORE_H_
