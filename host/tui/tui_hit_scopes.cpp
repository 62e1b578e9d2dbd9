// Where a page's hits stand (see host/tui/tui_hit_scopes.h).
#include "host/tui/tui_hit_scopes.h"

#include "host/ide/scope_filter.h"

namespace tui {
namespace {

unsigned bitOf(host::SourceScope scope) {
  switch (scope) {
    case host::SourceScope::code:
      return host::kScopeCode;
    case host::SourceScope::comment:
      return host::kScopeComments;
    case host::SourceScope::string:
      return host::kScopeStrings;
  }
  return 0;
}

constexpr unsigned kEvery = host::kScopeCode | host::kScopeComments | host::kScopeStrings;

}  // namespace

void HitScopes::classify(const Page& page) {
  if (!searchSet_) {
    matches_.setSearch(page.request().text, page.request().options);
    searchSet_ = true;
  }
  const std::deque<Page::Hit>& hits = page.hits();
  const std::vector<Page::File>& files = page.files();
  while (bits_.size() < hits.size()) {
    const Page::Hit& hit = hits[bits_.size()];
    if (static_cast<long>(hit.file) != file_) {
      file_ = static_cast<long>(hit.file);
      const std::string& path = files[hit.file].path;
      host::SourceLanguage language = host::sourceLanguageOf(path);
      lexed_ = language != host::SourceLanguage::none && lines_.load(path);
      if (lexed_) lexSourceScopes(lines_.text(), language, spans_);
    }
    unsigned bits = kEvery;
    if (lexed_ && hit.line >= 1 && hit.line <= lines_.count() && hit.column >= 1) {
      std::string_view line = lines_.line(hit.line);
      size_t base = static_cast<size_t>(line.data() - lines_.text().data());
      size_t start = static_cast<size_t>(hit.column - 1);
      bits = bitOf(host::scopeAt(spans_, base + start));
      // The later matches on the line, until every scope is seen.
      matches_.setLine(line);
      size_t end;
      for (size_t from = start + 1; bits != kEvery && matches_.next(from, &start, &end);
           from = end > start ? end : start + 1)
        bits |= bitOf(host::scopeAt(spans_, base + start));
    }
    bits_.push_back(static_cast<uint8_t>(bits));
  }
}

}  // namespace tui
