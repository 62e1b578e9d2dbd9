// Hit lines by where their matches stand (see host/ide/scope_filter.h).
#include "host/ide/scope_filter.h"

namespace host {
namespace {

unsigned bitOf(SourceScope scope) {
  switch (scope) {
    case SourceScope::code:
      return kScopeCode;
    case SourceScope::comment:
      return kScopeComments;
    case SourceScope::string:
      return kScopeStrings;
  }
  return 0;
}

}  // namespace

std::string scopeWords(unsigned scopes) {
  std::vector<const char*> words;
  if (scopes & kScopeCode) words.push_back("code");
  if (scopes & kScopeComments) words.push_back("comments");
  if (scopes & kScopeStrings) words.push_back("strings");
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) out += i + 1 == words.size() ? " or " : ", ";
    out += words[i];
  }
  return out;
}

void ScopeFilter::pass(const MessageEvent& event) {
  for (const auto& sink : next_) sink->event(event);
}

bool ScopeFilter::keeps(const MessageEvent& entry) {
  if (entry.group != group_) {
    group_ = entry.group;
    SourceLanguage language = sourceLanguageOf(*entry.file);
    classified_ = language != SourceLanguage::none && lines_.load(*entry.file);
    if (classified_) lexer_.start(lines_.text(), language);
    if (!classified_) ++notClassified_;
  }
  std::string_view line;
  if (!classified_ || entry.column < 1 || !lines_.line(entry.line, line)) return true;
  size_t base = static_cast<size_t>(line.data() - lines_.text().data());
  size_t start = static_cast<size_t>(entry.column - 1);
  if (bitOf(lexer_.at(base + start)) & scopes_) return true;
  // The first match is out of scope: a later one on the line may be in.
  matches_.setLine(line);
  size_t end;
  for (size_t from = start + 1; matches_.next(from, &start, &end);
       from = end > start ? end : start + 1) {
    if (bitOf(lexer_.at(base + start)) & scopes_) return true;
  }
  return false;
}

void ScopeFilter::release() {
  if (groupHeld_) pass(groupEvent_);
  if (held_) pass(heading_);
  groupHeld_ = held_ = false;
}

void ScopeFilter::dropFile() {
  // A group with a file's heading whose hits were all left out goes unseen; any other group was
  // no file's and is passed.
  if (groupHeld_ && !held_) pass(groupEvent_);
  groupHeld_ = held_ = false;
}

void ScopeFilter::event(const MessageEvent& event) {
  using Kind = MessageEvent::Kind;
  switch (event.kind) {
    case Kind::Group:
      dropFile();
      groupEvent_ = event;
      groupHeld_ = true;
      return;
    case Kind::Heading:
      if (event.file && !held_) {
        heading_ = event;
        held_ = true;
        return;
      }
      break;
    case Kind::Entry:
      if (event.file && event.line > 0 && !keeps(event)) {
        ++leftOut_;
        return;
      }
      break;
    default:
      break;
  }
  release();
  pass(event);
}

bool ScopeFilter::writesFor(const MessageEvent& event) const {
  for (const auto& sink : next_) {
    if (sink->writesFor(event)) return true;
  }
  return false;
}

void ScopeFilter::flush() {
  dropFile();
  for (const auto& sink : next_) sink->flush();
}

}  // namespace host
