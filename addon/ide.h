// The IDE's add-on interfaces, as the IDE's own header declares them: the reference-counted
// service objects the IDE hands out, the two interfaces an add-on implements, and their ids.
//
// Conventions of every interface here:
// - QueryInterface answers S_OK with a referenced object, or E_NOINTERFACE with *out set to NULL.
// - An object passed as an argument hands one reference to the callee (each text is a fresh
//   HostString); an object returned carries one reference that the caller releases.
// - Texts are single-byte, NUL-terminated, in the ANSI code page.
// Threading: the IDE's services may be called from the IDE's thread and from one worker thread.
#ifndef VANTREL_ADDON_IDE_H_
#define VANTREL_ADDON_IDE_H_

#include "addon/platform.h"

// A project node's id; 0 means none.
typedef DWORD ProjectNodeId;

struct HostString : IUnknown {
  virtual void STDMETHODCALLTYPE setText(LPCSTR text) = 0;
  // Valid until the string is changed or released.
  virtual LPCSTR STDMETHODCALLTYPE getText() = 0;
};

// A file the IDE reads for the add-on. Open modes: 0 when probe answered yes, 2 when no.
struct HostFile : IUnknown {
  virtual void STDMETHODCALLTYPE setName(HostString* name) = 0;
  // Yes (non-zero) when the IDE holds the file itself (in an editor buffer).
  virtual BOOL STDMETHODCALLTYPE probe() = 0;
  // Non-zero on success.
  virtual BOOL STDMETHODCALLTYPE open(int mode) = 0;
  // Bytes read, or -1 on failure.
  virtual LONG STDMETHODCALLTYPE read(void* buffer, LONG count) = 0;
  // Origin 0 start, 1 current, 2 end; answers the new position, or -1 on failure.
  virtual LONG STDMETHODCALLTYPE seek(LONG offset, int origin) = 0;
  virtual void STDMETHODCALLTYPE close() = 0;
};

struct HostServer : IUnknown {
  virtual HostString* STDMETHODCALLTYPE createString() = 0;
  virtual HostFile* STDMETHODCALLTYPE createFile() = 0;
};

// One group of lines in the message window.
struct MessageGroup : IUnknown {
  // `file` may be NULL. Answers the heading's handle (0 = none).
  virtual int STDMETHODCALLTYPE addHeading(HostString* file, HostString* text) = 0;
  // `file` may be NULL (an entry that names no file). Kind 5 is the add-on's entry kind.
  virtual void STDMETHODCALLTYPE addEntry(int parent, HostString* text, HostString* file, int line,
                                          int column, int kind) = 0;
};

struct MessageWindowService : IUnknown {
  virtual MessageGroup* STDMETHODCALLTYPE openGroup(HostString* title, HostString* toolName) = 0;
};

struct StatusLineService : IUnknown {
  virtual HWND STDMETHODCALLTYPE getStatusWindow() = 0;
};

struct ProjectNode : IUnknown {
  // The node's file name, absolute or relative to the project's directory; NULL when none.
  virtual HostString* STDMETHODCALLTYPE getName() = 0;
  virtual ProjectNodeId STDMETHODCALLTYPE firstChild() = 0;
  virtual ProjectNodeId STDMETHODCALLTYPE nextSibling() = 0;
};

struct IProjectClient;
struct IToolImplementor;

struct ProjectService : IUnknown {
  virtual void STDMETHODCALLTYPE registerClient(IProjectClient* client) = 0;
  virtual void STDMETHODCALLTYPE unregisterClient(IProjectClient* client) = 0;
  virtual ProjectNode* STDMETHODCALLTYPE getNode(ProjectNodeId id) = 0;
};

struct ToolEntry : IUnknown {
  virtual void STDMETHODCALLTYPE setKind(int kind) = 0;
  virtual void STDMETHODCALLTYPE setToolName(HostString* name) = 0;
  virtual void STDMETHODCALLTYPE setCommand(HostString* command) = 0;
  virtual void STDMETHODCALLTYPE setFlags(int flags) = 0;
  virtual void STDMETHODCALLTYPE setMenuText(HostString* text) = 0;
  virtual void STDMETHODCALLTYPE setHelpHint(HostString* hint) = 0;
  virtual void STDMETHODCALLTYPE setExtensions(HostString* extensions) = 0;
  virtual void STDMETHODCALLTYPE setHandler(IToolImplementor* handler) = 0;
};

struct ToolRegistry : IUnknown {
  virtual ToolEntry* STDMETHODCALLTYPE createTool() = 0;
  virtual void STDMETHODCALLTYPE addTool(ToolEntry* entry) = 0;
  // The id of the tool of that name, 0 when none.
  virtual int STDMETHODCALLTYPE findTool(HostString* name) = 0;
  virtual void STDMETHODCALLTYPE deleteTool(int id) = 0;
};

// Implemented by an add-on: the IDE's project notifications, in slot order.
struct IProjectClient : IUnknown {
  virtual void STDMETHODCALLTYPE projectOpened(HostString* path) = 0;
  virtual void STDMETHODCALLTYPE projectClosed() = 0;
  virtual void STDMETHODCALLTYPE projectNotify3() = 0;
  virtual void STDMETHODCALLTYPE projectNotify4() = 0;
  virtual void STDMETHODCALLTYPE projectNotify5() = 0;
  virtual void STDMETHODCALLTYPE projectNotify6() = 0;
  virtual void STDMETHODCALLTYPE projectNotify7() = 0;
  virtual int STDMETHODCALLTYPE projectQuery8() = 0;
  // Hands over one reference to `object`.
  virtual void STDMETHODCALLTYPE projectObject9(int context, IUnknown* object) = 0;
};

// Implemented by an add-on: a tool the IDE runs with the ids of the selected project nodes.
struct IToolImplementor : IUnknown {
  virtual int STDMETHODCALLTYPE runTool(void* reserved, const ProjectNodeId* nodeIds,
                                        int count) = 0;
};

// {707240C0-4B4B-11CF-9D40-444553540000}
constexpr IID IID_MessageWindowService = {
    0x707240C0, 0x4B4B, 0x11CF, {0x9D, 0x40, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {707240C7-4B4B-11CF-9D40-444553540000}
constexpr IID IID_StatusLineService = {
    0x707240C7, 0x4B4B, 0x11CF, {0x9D, 0x40, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {707240D4-4B4B-11CF-9D40-444553540000}
constexpr IID IID_ProjectService = {
    0x707240D4, 0x4B4B, 0x11CF, {0x9D, 0x40, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {707240D6-4B4B-11CF-9D40-444553540000}
constexpr IID IID_IProjectClient = {
    0x707240D6, 0x4B4B, 0x11CF, {0x9D, 0x40, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {707240D9-4B4B-11CF-9D40-444553540000}
constexpr IID IID_ToolRegistry = {
    0x707240D9, 0x4B4B, 0x11CF, {0x9D, 0x40, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {94D38B60-E488-11CE-BA8F-0000C0F4A355}
constexpr IID IID_IToolImplementor = {
    0x94D38B60, 0xE488, 0x11CE, {0xBA, 0x8F, 0x00, 0x00, 0xC0, 0xF4, 0xA3, 0x55}};

#endif  // VANTREL_ADDON_IDE_H_
