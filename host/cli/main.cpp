// The vantrel command: a multi-file text and regular-expression search, run in a small host that
// plays the IDE for the add-on module (see host/cli/command_run.h for what a run does). Tested by
// tests/host/cli/command_e2e_test.cpp.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "host/cli/command_args.h"
#include "host/cli/command_run.h"
#include "host/cli/command_version.h"
#include "host/cli/descriptor_buffer.h"
#include "host/cli/usage_text.h"
#include "host/ide/ref_counted.h"
#include "host/tui/tui_session.h"

namespace {

// A command run whose results reach standard output in large writes.
int runCommandBuffered(const vantrel::CommandLine& line, const std::string& addOn) {
  std::cout.flush();
  host::DescriptorBuffer buffer(STDOUT_FILENO);
  std::ostream out(&buffer);
  int status = vantrel::runCommand(line, addOn, out, std::cerr);
  out.flush();
  return status;
}

// Gives each closed standard descriptor /dev/null, so that no file the program opens later (the
// registry) takes its number and receives what was meant for it. Answers whether standard output
// was open.
bool reserveStandardDescriptors() {
  bool outputOpen = true;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    if (fd == STDOUT_FILENO) outputOpen = false;
    int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) close(opened);
  }
  return outputOpen;
}

}  // namespace

int main(int argc, char** argv) {
  if (!reserveStandardDescriptors()) {
    std::cerr << "vantrel: standard output is closed; nothing could be listed" << std::endl;
    return 2;
  }
  std::ios::sync_with_stdio(false);
  vantrel::CommandLine line;
  std::string error;
  if (!vantrel::parseCommandLine(argc, argv, line, error)) {
    std::cerr << "vantrel: " << error << " (see vantrel --help)" << std::endl;
    return 2;
  }
  auto written = [](int status) {
    if (std::cout.flush()) return status;
    std::cerr << "vantrel: the output could not be written" << std::endl;
    return 2;
  };
  if (line.help) {
    std::cout << vantrel::usageText();
    return written(0);
  }
  std::string addOn = vantrel::findAddOn();
  if (line.version) return written(vantrel::showVersion(addOn, std::cout, std::cerr));
  // Without a text on a terminal, the dialog is shown and asks: the full-screen program.
  int status = tui::wantsTerminalFrontEnd(line) ? tui::runTerminalSession(line, addOn, std::cerr)
                                                : runCommandBuffered(line, addOn);
  std::cout.flush();
  // Builds that count host objects check that the add-on let go of everything it was given.
  if (long live = hostLiveObjects())
    std::cerr << "vantrel: " << live << " host objects outlived the add-on" << std::endl;
  if (long faults = hostReleaseFaults())
    std::cerr << "vantrel: " << faults << " releases of dead host objects" << std::endl;
  return status;
}
