// The live query's searches (see host/tui/tui_live_search.h).
// Tested by tests/host/tui/tui_live_query_test.cpp.
#include "host/tui/tui_live_search.h"

namespace tui {
namespace {

bool sameFields(const SearchRequest& a, const SearchRequest& b) {
  return a.text == b.text && a.fileTypes == b.fileTypes && a.directories == b.directories &&
         a.options == b.options;
}

}  // namespace

void LiveSearch::open(const SearchRequest& request) {
  query_.open(request);
  shown_ = request;
  editing_ = true;
  keep_ = discard_ = false;
  if (!hasPage_) before_.take();
}

bool LiveSearch::startable() const {
  const SearchRequest& wanted = query_.wanted();
  return !wanted.text.empty() && !wanted.fileTypes.empty() && !wanted.directories.empty() &&
         query_.refusal().empty();
}

bool LiveSearch::key(const Key& key, Clock::time_point now) {
  switch (query_.key(key, now)) {
    case LiveQuery::kNotMine:
      return false;
    case LiveQuery::kKeep:
      // Nothing that can run is kept: as Esc.
      editing_ = false;
      (startable() ? keep_ : discard_) = true;
      if (discard_) hooks_.goBack();
      break;
    case LiveQuery::kBack:
      editing_ = false;
      discard_ = true;
      hooks_.goBack();
      break;
    case LiveQuery::kEdited:
    case LiveQuery::kHandled:
      break;
  }
  tick(now);
  return true;
}

void LiveSearch::paste(const std::string& text, Clock::time_point now) {
  query_.paste(text, now);
  tick(now);
}

void LiveSearch::tick(Clock::time_point now) {
  const SearchRequest& wanted = query_.wanted();
  // Whatever runs is stopped first: a search of its own given up, or any search once another is
  // due (the page's own, still running, included). Its page goes once it has ended.
  auto stopped = [this] {
    if (!hooks_.workerRunning()) {
      stopAsked_ = false;
      return true;
    }
    if (!stopAsked_) hooks_.askStop();
    stopAsked_ = true;
    return false;
  };
  if (discard_) {
    if (hasPage_) {
      if (!stopped()) return;
      hooks_.dropPage();
      hasPage_ = false;
    }
    discard_ = false;
    return;
  }
  bool due = (editing_ && query_.settled(now)) || keep_;
  bool differs = !sameFields(shown_, wanted);
  if (due && differs && startable()) {
    if (!stopped()) return;
    if (hasPage_) hooks_.dropPage();
    hooks_.start(wanted);
    shown_ = wanted;
    hasPage_ = true;
    differs = false;
    // Only what the user keeps is remembered.
    latest_.take();
    before_.restore();
  }
  if (keep_ && !differs) {
    keep_ = false;
    if (hasPage_) {
      hooks_.keepPage();
      hasPage_ = false;
      latest_.setOptions(wanted.options);
      latest_.restore();
    }
  }
}

int LiveSearch::waitMs(Clock::time_point now) const {
  if (editing_ && !query_.settled(now)) return std::max(1, query_.untilSettled(now));
  return busy() ? 20 : 100;
}

}  // namespace tui
