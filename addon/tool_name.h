// The tool's name: what the IDE's tool list calls the add-on's tool, the title of its
// message-window groups and the caption of its message boxes. The hosts run the tool by it.
// Threading: any; a constant.
#ifndef VANTREL_ADDON_TOOL_NAME_H_
#define VANTREL_ADDON_TOOL_NAME_H_

inline constexpr char kToolName[] = "Vantrel";

#endif  // VANTREL_ADDON_TOOL_NAME_H_
