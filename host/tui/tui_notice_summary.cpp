// The files not searched, in words (see host/tui/tui_notice_summary.h).
// Tested by tests/host/tui/tui_page_test.cpp and tests/host/tui/tui_message_list_test.cpp.
#include "host/tui/tui_notice_summary.h"

#include <algorithm>
#include <map>

#include "host/ide/addon_text.h"
#include "host/ide/text_encoding.h"

namespace tui {

std::string reasonWord(const std::string& text) {
  switch (host::whyNotSearched(text)) {
    case host::NotSearched::kTooLarge:
      return "too large";
    case host::NotSearched::kEmpty:
      return "empty";
    case host::NotSearched::kNotOpened:
      return "not opened";
    case host::NotSearched::kNotRead:
      return "not read";
    case host::NotSearched::kNoMemory:
      return "out of memory";
    case host::NotSearched::kOther:
      break;
  }
  std::string word;
  host::appendTerminalText(word, text);
  while (!word.empty() && (word.back() == '!' || word.back() == ' ')) word.pop_back();
  return word;
}

std::string noticeSummary(const std::vector<Page::Notice>& notices) {
  std::map<std::string, long> counts;
  for (const Page::Notice& n : notices) ++counts[n.reason];
  std::vector<std::pair<long, std::string>> byCount;
  for (const auto& [reason, count] : counts) byCount.emplace_back(-count, reason);
  std::sort(byCount.begin(), byCount.end());
  std::string out = std::to_string(notices.size()) +
                    (notices.size() == 1 ? " file not searched: " : " files not searched: ");
  for (size_t i = 0; i < byCount.size(); ++i)
    out += (i ? ", " : "") + std::to_string(-byCount[i].first) + " " + byCount[i].second;
  return out;
}

}  // namespace tui
