// What an event of the message window is in the add-on's terms: a file's heading, a hit, a file
// the add-on did not search (and why), or one of its own messages (the summary, a user break, a
// refused search). Every part of the host that reacts to the add-on's lines asks here, so the
// texts the add-on writes are known in one place.
//
// The add-on writes a message as a group titled with its text that holds one heading without a
// file; the heading is what is classified, so each message is seen once. A file's group holds its
// heading (with the file), its hits (entries with the file) or its error entry (no file).
// Threading: any; no state.
// Tested by tests/host/ide/host_message_window_test.cpp.
#ifndef VANTREL_HOST_ADDON_TEXT_H_
#define VANTREL_HOST_ADDON_TEXT_H_

#include <string_view>

#include "host/ide/message_event.h"

namespace host {

enum class AddOnText {
  kOther,         // a group opening, a beep, a message box
  kFileHeading,   // "Vantreling FILE"
  kHit,           // an entry that names its file
  kFileNotice,    // an entry that names none: its group's file was not searched
  kSummary,       // "Vantrel : 12 found in 3 Files (...)": the search ended
  kUserBreak,     // "Vantrel : User break !"
  kRegexError,    // "Vantrel regular expression error : ...": the search refused
  kOutOfMemory,   // "Not enough memory to Vantrel files !": the search refused
  kFolderAsType,  // "Vantrel : A file type may not name a folder : ... !": the search refused
  kMessage,       // any other message
};

AddOnText classify(const MessageEvent& event);

// Whether the message ends a search before it began, so no summary follows.
inline bool refusesSearch(AddOnText text) {
  return text == AddOnText::kRegexError || text == AddOnText::kOutOfMemory ||
         text == AddOnText::kFolderAsType;
}

// Why a file was not searched, by the text of its error entry (a kFileNotice).
enum class NotSearched { kTooLarge, kEmpty, kNotOpened, kNotRead, kNoMemory, kOther };

NotSearched whyNotSearched(std::string_view entryText);

}  // namespace host

#endif  // VANTREL_HOST_ADDON_TEXT_H_
