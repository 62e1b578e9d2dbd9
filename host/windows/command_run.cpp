// The vantrel command on Windows (see host/cli/command_run.h): the same run as on POSIX over
// Windows' own API. The module is loaded with LoadLibraryA; the add-on's modal dialogs are found
// by a WH_CBT hook as they are created, and a thread timer, which fires inside the dialog's own
// modal loop, then drives the search dialog with the dialog script (window messages to the real
// controls) or answers a message box. The status window is a real, hidden window.
//
// The add-on's MessageBeep and GetAsyncKeyState are redirected in its import table
// (host/windows/import_hook.h): beeps become message-window events and Ctrl-C stops a blocking
// search as Esc does, as on POSIX; so are its file searches (host/windows/find_watch.h), so that
// stderr counts what the walk passed over as the POSIX command does. Differences from the POSIX
// command: no terminal status line or full-screen program; a message box's type is told by its
// buttons only. Tested under Wine by tests/windows/wine_test.sh.
#include "host/cli/command_run.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <tlhelp32.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dialog/search_dialog_ids.h"
#include "host/cli/command_dialog.h"
#include "host/cli/command_output.h"
#include "host/cli/command_project.h"
#include "host/cli/listing_switches.h"
#include "host/ide/addon_session.h"
#include "host/ide/host.h"
#include "host/ide/passed_over_report.h"
#include "host/ide/text_encoding.h"
#include "host/windows/find_watch.h"
#include "host/windows/import_hook.h"
#include "host/windows/size_limit_watch.h"
#include "search/option_bits.h"

namespace vantrel {
namespace {

// Set by Ctrl-C; read by the wait for a worker search.
std::atomic<bool> interrupted{false};
std::atomic<bool> escapeFromCtrlC{false};  // also set by Ctrl-C; taken by the Esc poll

BOOL WINAPI onConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  interrupted.store(true);
  escapeFromCtrlC.store(true);
  return TRUE;
}

// The add-on's beeps, from any of its threads, go to the run's message window, as our layer sends
// them on POSIX; like the POSIX command, the command makes no sound.
std::atomic<host::MessageWindow*> beepWindow{nullptr};

BOOL WINAPI seeBeep(UINT type) {
  if (host::MessageWindow* window = beepWindow.load()) window->beep(type);
  return TRUE;
}

// Ctrl-C stops a blocking search as Esc does: the add-on polls Esc with GetAsyncKeyState on the
// run's own thread, which is then told it was pressed, once per Ctrl-C.
std::atomic<DWORD> runThread{0};
typedef SHORT(WINAPI* KeyState)(int);
KeyState realKeyState = nullptr;

SHORT WINAPI seeKeyState(int key) {
  if (key == VK_ESCAPE && GetCurrentThreadId() == runThread.load() &&
      escapeFromCtrlC.exchange(false))
    return static_cast<SHORT>(0x8001);
  return realKeyState ? realKeyState(key) : 0;
}

// The one run's dialog driving, reached from the hook and the timer (both on the run's thread).
struct ModalDriver {
  DialogInput input;
  DialogOutcome outcome;
  host::MessageWindow* messages = nullptr;
  const CommandOutput* output = nullptr;  // told the search the dialog confirmed (--scope)
  int dialogRuns = 0;
  int answer = IDNO;       // what a message box is answered
  std::set<HWND> pending;  // dialogs created and not yet driven
};
ModalDriver* driver;

int textOf(HWND window, int id, std::string& out) {
  char text[1024] = {};
  int n = id ? GetDlgItemTextA(window, id, text, sizeof text)
             : GetWindowTextA(window, text, sizeof text);
  out.assign(text);
  return n;
}

// A message box answered as the POSIX command answers it, and recorded with the type its
// buttons tell.
void answerMessageBox(HWND box) {
  std::string text, caption;
  textOf(box, 0xFFFF, text);  // the message box's text is its static control 0xFFFF
  textOf(box, 0, caption);
  bool yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
  UINT type = yesNo ? MB_YESNO : MB_OK;
  int answer = yesNo ? driver->answer : IDOK;
  driver->messages->messageBox(text, caption, type, answer);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
}

void CALLBACK driveDialogs(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::set<HWND> dialogs;
  dialogs.swap(driver->pending);
  for (HWND dialog : dialogs) {
    if (!IsWindow(dialog)) continue;
    if (!GetDlgItem(dialog, dialog_ids::kTextCombo)) {
      answerMessageBox(dialog);
    } else if (++driver->dialogRuns > 1) {
      // Only the first dialog is the user's; a second one (a stop question that came too late)
      // is cancelled, so no second search starts.
      cancelSearchDialog(dialog);
    } else {
      driveSearchDialog(dialog, driver->input, driver->outcome);
      if (driver->outcome.confirmed && driver->output)
        driver->output->setSearch(driver->outcome.text, driver->outcome.options);
    }
  }
}

LRESULT CALLBACK watchCreations(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0) {
      // The dialog is not built yet: the timer fires once its modal loop runs.
      driver->pending.insert(window);
      SetTimer(nullptr, 0, 1, driveDialogs);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The threads of this process now.
std::set<DWORD> processThreads() {
  std::set<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD self = GetCurrentProcessId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == self) ids.insert(entry.th32ThreadID);
  CloseHandle(snapshot);
  return ids;
}

// Stays until every thread started since `before` (the add-on's worker) has ended, pumping the
// thread's messages meanwhile. Ctrl-C runs the tool again and answers its stop question Yes.
void waitForWorkers(host::AddOnSession& addOn, const std::set<DWORD>& before,
                    const std::vector<ProjectNodeId>& selected) {
  bool stopAsked = false;
  for (;;) {
    std::set<DWORD> now = processThreads();
    bool running = false;
    for (DWORD id : now)
      if (!before.count(id)) running = true;
    if (!running) return;
    if (interrupted.load() && !stopAsked) {
      stopAsked = true;
      driver->answer = IDYES;
      addOn.runTool(selected);
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

}  // namespace

std::string findAddOn() {
  const char* named = std::getenv("VANTREL_ADDON");
  if (named && *named) return named;
  char program[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program) return "Vantrel.dll";
  std::string path(program, length);
  return path.substr(0, path.find_last_of("\\/") + 1) + "Vantrel.dll";
}

}  // namespace vantrel

namespace host {

HMODULE addOnModule(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) error = "cannot load the add-on '" + path + "' (VANTREL_ADDON names another)";
  return module;
}

}  // namespace host

namespace vantrel {

int runCommand(const CommandLine& line, const std::string& addOnPath, std::ostream& out,
               std::ostream& err) {
  auto fail = [&err](const std::string& message) {
    err << "vantrel: " << message << std::endl;
    return 2;
  };
  // The listing policy answers the watch on the add-on's file searches (find_watch.h) as it
  // answers our layer on POSIX; the size limit, the add-on's reading of MaxFileSize.
  applySearchScopeSwitches(line);
  host::ProjectDescription project;
  std::vector<ProjectNodeId> selected;
  std::string projectError;
  if (!openCommandProject(line.projectFile, line.selectedNodes, line.directories, project, selected,
                          projectError))
    return fail(projectError);

  host::HostConfig config;
  config.statusRow = 0;
  // As the Linux command: as many threads as the process may run on, unless -j says.
  config.searchThreads = line.threads.value_or(host::usableCores());
  host::Host ide(config);
  std::atomic<bool> outputFailed{false};
  CommandOutput output = makeCommandOutput(line, out, false, outputFailed);
  ide.messageWindow()->keepEvents(false);
  output.attachTo(*ide.messageWindow());
  auto passedOver = std::make_shared<host::PassedOverReport>();
  ide.messageWindow()->addSink(passedOver);

  ModalDriver modal;
  modal.input = {line.text, line.fileTypes, line.directories, line.options, line.tickedOptions};
  modal.messages = ide.messageWindow();
  modal.output = &output;
  driver = &modal;
  HHOOK hook = SetWindowsHookExA(WH_CBT, watchCreations, nullptr, GetCurrentThreadId());
  if (!hook) return fail("cannot watch for the add-on's dialogs");
  interrupted.store(false);
  escapeFromCtrlC.store(false);
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
  int status = 2;
  std::string error;
  host::AddOnSession addOn(ide);
  if (addOn.load(addOnPath, error)) {
    HMODULE module = addOn.module();
    beepWindow.store(ide.messageWindow());
    redirectImport(module, "USER32.dll", "MessageBeep",
                   reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&seeBeep)));
    runThread.store(GetCurrentThreadId());
    realKeyState = reinterpret_cast<KeyState>(reinterpret_cast<void (*)()>(
        redirectImport(module, "USER32.dll", "GetAsyncKeyState",
                       reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&seeKeyState)))));
    watchFileSearches(module);
    watchSizeLimit(module);
    addOn.start(project);
    passedOver->start();
    std::set<DWORD> before = processThreads();
    bool ran = addOn.runTool(selected);
    if (ran && modal.outcome.confirmed && (modal.outcome.options & Asynchronous))
      waitForWorkers(addOn, before, selected);
    addOn.stop();
    ide.messageWindow()->flush();
    // What the walk passed over goes beside the message window's lines, as on POSIX.
    std::string skipped = passedOver->last().describe(
        [](const std::string& dir) { return host::toTerminalText(dir); });
    if (ran && modal.outcome.confirmed && !skipped.empty()) {
      out.flush();
      err << "vantrel: passed over " << skipped << std::endl;
    }
    std::string scoped = output.scopeReport();
    if (ran && modal.outcome.confirmed && !scoped.empty()) {
      out.flush();
      err << "vantrel: " << scoped << std::endl;
    }
    if (!ran)
      error = host::noToolMessage();
    else if (!modal.outcome.shown)
      error =
          "the search dialog could not be shown: no window can be made here (under Wine, no X "
          "display is set); give the search on the command line (vantrel.exe TEXT -d FOLDER, "
          "see --help) or run where a display is";
    else if (!modal.outcome.confirmed)
      error = modal.outcome.failure;
    else if ((out.flush(), out.bad()) || outputFailed.load())
      error = "the results could not be written";
    else
      status = output.outcome->status(error);
  }
  addOn.unload();
  beepWindow.store(nullptr);
  SetConsoleCtrlHandler(onConsoleControl, FALSE);
  UnhookWindowsHookEx(hook);
  driver = nullptr;
  if (!error.empty()) return fail(error);
  return status;
}

}  // namespace vantrel
