// The files the add-on did not search, in words: a file's error entry as a short reason ("File
// too large !" is "too large"), and the one row a page sums them up in ("153 files not searched:
// 141 too large, 12 empty"), the reasons by how many files each has, most first.
// Threading: none. Tested by tests/host/tui/tui_page_test.cpp and
// tests/host/tui/tui_message_list_test.cpp.
#ifndef VANTREL_HOST_TUI_NOTICE_SUMMARY_H_
#define VANTREL_HOST_TUI_NOTICE_SUMMARY_H_

#include <string>
#include <vector>

#include "host/tui/tui_page.h"

namespace tui {

// The words for a file the add-on did not search, by its error entry (escaped).
std::string reasonWord(const std::string& entry);

// The row that sums up `notices`.
std::string noticeSummary(const std::vector<Page::Notice>& notices);

}  // namespace tui

#endif  // VANTREL_HOST_TUI_NOTICE_SUMMARY_H_
