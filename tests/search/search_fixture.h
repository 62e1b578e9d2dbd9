// What the walk, progress and driver tests share: a real temporary tree, the real host services
// with a recording message window and a recording display (scriptable Esc), a fresh search job
// and request, and readers of what the search wrote.
//
// Every test leaves no host object alive and no reference released twice (checked in TearDown).
#ifndef VANTREL_TESTS_SEARCH_FIXTURE_H_
#define VANTREL_TESTS_SEARCH_FIXTURE_H_

#include <gtest/gtest.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "addon/host_access.h"
#include "host/ide/host.h"
#include "host/ide/message_window.h"
#include "host/ide/recording_sink.h"
#include "host/ide/ref_counted.h"
#include "host/posix/recording_display.h"
#include "search/job.h"
#include "win32/user32/display.h"
#include "win32/user32/window.h"

namespace vantrel_test {

namespace fs = std::filesystem;

// The recording display, also keeping a copy of a window's cells each time it is drawn into.
class SnapshotDisplay : public host::RecordingDisplay {
 public:
  using host::RecordingDisplay::RecordingDisplay;
  void surfaceChanged(HWND window) override {
    std::lock_guard<std::mutex> lock(mutex);
    snapshots.push_back(vwin::copySurface(window));
    if (onChange) onChange();
  }
  std::mutex mutex;
  std::vector<vwin::Surface> snapshots;
  std::function<void()> onChange;  // runs on the drawing thread
};

class SearchFixture : public ::testing::Test {
 protected:
  // The services the host is built with; a test may change it before SetUp runs.
  virtual host::HostConfig hostConfig() { return host::HostConfig(); }

  void SetUp() override {
    liveBefore = hostLiveObjects();
    faultsBefore = hostReleaseFaults();
    char tmpl[] = "/tmp/vantrel_search.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    host = std::make_unique<host::Host>(hostConfig());
    sink = host->record();
    display = std::make_unique<SnapshotDisplay>(host->messageWindow());
    VwinSetDisplay(display.get());
    setHostServer(host->serverReference());
    job = std::make_unique<SearchJob>();
    textToFind[0] = fileMask[0] = directories[0] = projectPath[0] = '\0';
    searchOptions = 0;
  }

  void TearDown() override {
    delete[] job->nodeIds;
    job.reset();
    releaseHostServer();
    VwinSetDisplay(nullptr);
    display.reset();
    sink.reset();
    host.reset();
    fs::remove_all(root);
    EXPECT_EQ(hostLiveObjects(), liveBefore);
    EXPECT_EQ(hostReleaseFaults(), faultsBefore);
  }

  // The Windows form of a path under the tree ("Z:\tmp\...\a\b" for "a/b").
  std::string win(const std::string& relative = "") const {
    std::string w = "Z:" + (relative.empty() ? root : root / relative).string();
    for (char& c : w)
      if (c == '/') c = '\\';
    return w;
  }

  void write(const std::string& relative, const std::string& content = "nothing here\n") {
    fs::path p = root / relative;
    fs::create_directories(p.parent_path());
    FILE* f = std::fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr) << p;
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
  }

  static void setField(char* field, const std::string& text) {
    ASSERT_LT(text.size(), static_cast<size_t>(kTextSize));
    std::strcpy(field, text.c_str());
  }
  void setMask(const std::string& mask) {
    setField(fileMask, mask);
    prepareFileMask();
  }

  // Whether a group's title is a file of the tree (node files come upper-cased).
  bool inTree(const std::string& title) const {
    std::string prefix = win() + "\\";
    return title.size() > prefix.size() &&
           strncasecmp(title.c_str(), prefix.c_str(), prefix.size()) == 0;
  }

  // The files scanned, in order: the titles of the per-file groups, shown relative to the tree.
  std::vector<std::string> scanned() const {
    std::vector<std::string> files;
    for (const host::MessageEvent& e : sink->events(host::MessageEvent::Kind::Group))
      if (inTree(e.text)) files.push_back(e.text.substr(win().size() + 1));
    return files;
  }

  // The free-standing lines (printMessage), in order.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const host::MessageEvent& e : sink->events(host::MessageEvent::Kind::Group))
      if (!inTree(e.text)) out.push_back(e.text);
    return out;
  }

  fs::path root;
  std::unique_ptr<host::Host> host;
  std::shared_ptr<host::RecordingSink> sink;
  std::unique_ptr<SnapshotDisplay> display;
  std::unique_ptr<SearchJob> job;
  long liveBefore = 0;
  long faultsBefore = 0;
};

}  // namespace vantrel_test

#endif  // VANTREL_TESTS_SEARCH_FIXTURE_H_
