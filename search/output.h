// What the add-on tells the user outside its dialog and progress line: free-standing lines and
// per-file headings in the IDE's message window, and the one message box.
//
// Threading: on the thread that runs the search (printMessage, writeFileHeading) or the IDE's
// thread (showMessageBox). No state between calls.
// Tested by tests/search/output_test.cpp.
#ifndef VANTREL_SEARCH_OUTPUT_H_
#define VANTREL_SEARCH_OUTPUT_H_

#include "addon/ide.h"

// Formats with the platform's wvsprintfA into 1000 bytes and writes the text, cut after 220
// characters, as a group of its own (title and heading). Lost silently without a message window.
void printMessage(LPCSTR format, ...);

// Writes "Vantreling <path>" as the heading of a file's group; answers the heading's handle.
int writeFileHeading(MessageGroup* group, LPCSTR path);

// Formats like printMessage, beeps with the type's icon bits, shows a message box and answers
// the id of the button pressed.
int showMessageBox(HWND owner, LPCSTR format, LPCSTR caption, UINT type, ...);

#endif  // VANTREL_SEARCH_OUTPUT_H_
