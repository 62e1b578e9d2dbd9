// The control ids of the search dialog "DLG_VANTREL", shared by its procedure and by hosts that
// drive the dialog from a command line or a keyboard. They are the ids of resources/vantrel.rc.
#ifndef VANTREL_DIALOG_SEARCH_DIALOG_IDS_H_
#define VANTREL_DIALOG_SEARCH_DIALOG_IDS_H_

namespace dialog_ids {

constexpr int kTextCombo = 101;
constexpr int kFileTypeCombo = 102;
constexpr int kDirectoriesCombo = 103;
// The five option boxes, 104 to 108, carry the option bits 0x01 to 0x10 in that order.
constexpr int kFirstBox = 104;
constexpr int kBoxCount = 5;
constexpr int kRecurseBox = 105;

}  // namespace dialog_ids

#endif  // VANTREL_DIALOG_SEARCH_DIALOG_IDS_H_
