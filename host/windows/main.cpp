// vantrel.exe: the vantrel command on Windows, with the POSIX command's arguments, output
// formats and exit statuses (see host/windows/command_run.cpp). Standard output and standard
// error are both binary, so every line ends with LF as on POSIX, as other developer tools on
// Windows write theirs. Tested under Wine by tests/windows/wine_test.sh.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include <iostream>

#include "host/cli/command_args.h"
#include "host/cli/command_run.h"
#include "host/cli/command_version.h"
#include "host/cli/usage_text.h"
#include "host/ide/ref_counted.h"

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::ios::sync_with_stdio(false);
  vantrel::CommandLine line;
  std::string error;
  if (!vantrel::parseCommandLine(argc, argv, line, error)) {
    std::cerr << "vantrel: " << error << " (see vantrel --help)" << std::endl;
    return 2;
  }
  if (line.help) {
    std::cout << vantrel::usageText();
    return 0;
  }
  std::string addOn = vantrel::findAddOn();
  if (line.version) return vantrel::showVersion(addOn, std::cout, std::cerr);
  int status = vantrel::runCommand(line, addOn, std::cout, std::cerr);
  std::cout.flush();
  if (long live = hostLiveObjects())
    std::cerr << "vantrel: " << live << " host objects outlived the add-on" << std::endl;
  return status;
}
