// The add-on's texts told apart (see host/ide/addon_text.h).
// Tested by tests/host/ide/host_message_window_test.cpp.
#include "host/ide/addon_text.h"

namespace host {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

AddOnText classifyMessage(std::string_view text) {
  // The refusals first: a folder's name quoted in one may hold any other message's words.
  if (startsWith(text, "Vantrel regular expression error")) return AddOnText::kRegexError;
  if (startsWith(text, "Not enough memory")) return AddOnText::kOutOfMemory;
  if (startsWith(text, "Vantrel : A file type may not name a folder"))
    return AddOnText::kFolderAsType;
  if (text == "Vantrel : User break !") return AddOnText::kUserBreak;
  if (startsWith(text, "Vantrel : ") && text.find(" found in ") != std::string_view::npos)
    return AddOnText::kSummary;
  return AddOnText::kMessage;
}

}  // namespace

AddOnText classify(const MessageEvent& event) {
  switch (event.kind) {
    case MessageEvent::Kind::Heading:
      return event.file ? AddOnText::kFileHeading : classifyMessage(event.text);
    case MessageEvent::Kind::Entry:
      return event.file ? AddOnText::kHit : AddOnText::kFileNotice;
    default:
      return AddOnText::kOther;
  }
}

NotSearched whyNotSearched(std::string_view entryText) {
  if (entryText == "File too large !") return NotSearched::kTooLarge;
  if (entryText == "File is 0 byte length !") return NotSearched::kEmpty;
  if (entryText == "Can't open file !") return NotSearched::kNotOpened;
  if (entryText == "Error reading file !") return NotSearched::kNotRead;
  if (entryText == "Can not allocate memory to grep file !") return NotSearched::kNoMemory;
  return NotSearched::kOther;
}

}  // namespace host
