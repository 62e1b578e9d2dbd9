// The add-on's remembered settings (its three history lists and its option word, in the registry
// under its key) as they stand at one moment, to be put back later. A live query confirms the
// add-on's dialog for every pause in typing, and each confirmation pushes its text into the
// history: the front end takes the settings before the query, takes them again after each of its
// searches and puts the first back at once, so only the search the user keeps (the last taken,
// with the user's own option word) ever stays.
//
// Only values that differ are written back; an entry absent before is written empty (which the
// add-on reads as no entry), an absent option word as 0 (what the add-on reads for none).
// Threading: the IDE's thread (the add-on's dialog writes the same values there).
// Tested by tests/host/tui/tui_live_query_test.cpp.
#ifndef VANTREL_HOST_TUI_SETTINGS_SNAPSHOT_H_
#define VANTREL_HOST_TUI_SETTINGS_SNAPSHOT_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tui {

class SettingsSnapshot {
 public:
  // Reads every value now (a registry that cannot be read gives every value absent).
  void take();
  bool taken() const { return !values_.empty(); }
  // Writes back the values that differ from what the registry holds now.
  void restore() const;
  // The option word as taken, replaced.
  void setOptions(int options);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> values_;
};

}  // namespace tui

#endif  // VANTREL_HOST_TUI_SETTINGS_SNAPSHOT_H_
