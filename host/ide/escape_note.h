// What a regular expression asks that this syntax reads otherwise than the common syntaxes do:
// `\d \D \s \S \w \W \b \B` are the letters themselves here (a backslash makes any character
// plain), and `{n}`, `{n,}`, `{n,m}` are text. The note names each once, with what to write in
// this syntax instead: "\s is a plain s here: write [ ] holding a blank and a tab". The pattern's
// meaning is not changed. Inside brackets a backslash is a member (so `[ \t]` holds no tab), and
// nothing there is noted.
//
// Threading: none. Tested by tests/host/ide/escape_note_test.cpp.
#ifndef VANTREL_HOST_ESCAPE_NOTE_H_
#define VANTREL_HOST_ESCAPE_NOTE_H_

#include <string>
#include <string_view>

namespace host {

// The note for `pattern`, or "" when it holds nothing of the kind.
std::string escapeNote(std::string_view pattern);

}  // namespace host

#endif  // VANTREL_HOST_ESCAPE_NOTE_H_
