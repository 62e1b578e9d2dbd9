// The search on several threads against the same search on one: over generated trees (files with
// many and no hits, empty, too large, unopenable, UTF-16 and CR LF files, deep folders), every
// event the message window records, every beep and every count is the same with 1, 2, 4 and 7
// threads, blocking and on a worker, with plain text, patterns and whole words, stopped by Esc at
// chosen files; and a search under changes to its files never shows a hit of another path.
#include "search/scan_window.h"

#include <dirent.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dialog/settings_store.h"
#include "host/ide/message_event.h"
#include "host/ide/project.h"
#include "search/driver.h"
#include "tests/search/search_fixture.h"

namespace {

namespace fs = std::filesystem;

class ScanWindowTest : public vantrel_test::SearchFixture {
 protected:
  // The host again, with `threads` offered (0: no service at all, as the real IDE).
  void rehost(int threads) {
    releaseHostServer();
    VwinSetDisplay(nullptr);
    display.reset();
    sink.reset();
    host.reset();
    host::HostConfig config;
    config.searchThreads = threads;
    host = std::make_unique<host::Host>(config);
    sink = host->record();
    display = std::make_unique<vantrel_test::SnapshotDisplay>(host->messageWindow());
    VwinSetDisplay(display.get());
    setHostServer(host->serverReference());
  }

  // Everything a search left: each event in order, then the job's counters.
  // With `nodes`, the search goes through the project's nodes 1 to `nodes` instead of the tree.
  std::string search(int threads, const std::string& text, const std::string& mask, WORD options,
                     int escapeAt = 0, LONG nodes = 0) {
    rehost(threads);
    if (escapeAt) display->pressEscapeAtQuery(escapeAt);
    setField(textToFind, text);
    setField(fileMask, mask);
    setField(directories, nodes ? "[Selected Nodes]" : win());
    if (nodes) {
      host->project()->open(project);
      setField(projectPath, win("app.ide"));
      job->nodeIds = new ProjectNodeId[static_cast<size_t>(nodes)];
      for (LONG i = 0; i < nodes; ++i) job->nodeIds[i] = static_cast<ProjectNodeId>(i + 1);
      job->nodeCount = nodes;
    }
    searchOptions = options;
    if (options & Asynchronous) {
      DWORD id = 0;
      HANDLE worker = CreateThread(nullptr, 0, searchThreadMain, job.get(), 0, &id);
      EXPECT_NE(worker, nullptr);
      searchThreadId = id;
      EXPECT_EQ(WaitForSingleObject(worker, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
      CloseHandle(worker);
    } else {
      runSearch(job.get(), 0);
    }
    EXPECT_EQ(job->window, nullptr);
    std::ostringstream out;
    for (const host::MessageEvent& e : sink->events())
      out << static_cast<int>(e.kind) << '|' << e.group << '|' << e.handle << '|' << e.text << '|'
          << e.tool << '|' << e.file.value_or("-") << '|' << e.line << '|' << e.column << '|'
          << e.entryKind << '|' << e.type << '\n';
    out << job->filesSearched << ' ' << job->filesWithHits << ' ' << job->directoriesSearched << ' '
        << job->hitCount << '\n';
    return out.str();
  }

  // A tree of every kind of file a search meets, the same for a given seed.
  void makeTree(unsigned seed) {
    std::mt19937 random(seed);
    for (int d = 0; d < 12; ++d) {
      std::string dir = "d" + std::to_string(d) + (d % 3 ? "/sub" + std::to_string(d % 4) : "");
      for (int f = 0; f < 14; ++f) {
        std::string name = dir + "/f" + std::to_string(f) + (f % 5 ? ".c" : ".txt");
        std::string content;
        switch (random() % 9) {
          case 0:
            break;  // empty: a message with a beep
          case 1:
            content = std::string(500001, 'n');  // too large
            break;
          case 2: {
            // UTF-16 with its mark, converted by the host.
            std::string text = "needle in utf16\r\nnothing\r\n";
            content = "\xFF\xFE";
            for (char c : text) content += std::string{c, '\0'};
            break;
          }
          case 3:
            for (int i = 0; i < 400; ++i)
              content += "needle Needle line " + std::to_string(i) + "\r\n";
            break;
          default:
            for (unsigned i = 0, n = random() % 60; i < n; ++i)
              content += random() % 7 ? "plain text\n" : "\tthe needle_x and needle " + name + "\n";
        }
        write(name, content);
        project.nodes.push_back({name, {}});
      }
    }
    // A node naming no file: it cannot be opened.
    project.nodes.insert(project.nodes.begin() + 5, {"d0/missing.c", {}});
    project.path = win("app.ide");
  }

  host::ProjectDescription project;  // every file of the tree, as nodes
};

TEST_F(ScanWindowTest, EveryThreadCountWritesWhatOneThreadWrites) {
  readMaxFileSize();
  makeTree(38);
  struct Request {
    const char* text;
    const char* mask;
    WORD options;
  };
  const Request requests[] = {
      {"needle", "*.c;*.txt", Recurse},
      {"NEEDLE", "*.*", Recurse | WholeWords},
      {"ne+dle [a-z]", "*.c", Recurse | RegularExpression | CaseSensitive},
      {"needle", "*.c", Recurse | Asynchronous},
      {"absent", "*.c", Recurse},
  };
  LONG nodes = static_cast<LONG>(project.nodes.size());
  for (WORD options : {WORD(0), WORD(Asynchronous)}) {
    std::string one = search(0, "needle", ".c;.txt", options, 0, nodes);
    EXPECT_NE(one.find("Can't open file !"), std::string::npos);
    for (int threads : {2, 4})
      EXPECT_EQ(search(threads, "needle", ".c;.txt", options, 0, nodes), one) << threads;
  }
  for (const Request& r : requests) {
    std::string one = search(0, r.text, r.mask, r.options);
    EXPECT_NE(one.find("Vantrel : "), std::string::npos);
    EXPECT_EQ(search(1, r.text, r.mask, r.options), one) << r.text;
    for (int threads : {2, 4, 7})
      EXPECT_EQ(search(threads, r.text, r.mask, r.options), one) << r.text << " on " << threads;
  }
}

TEST_F(ScanWindowTest, EscAtAChosenFileStopsEveryThreadCountAtThatFile) {
  readMaxFileSize();
  makeTree(7);
  // Query 1 is the counting pass's discard; query N + 1 comes as file N is reached.
  for (int escapeAt : {2, 3, 17, 60, 150}) {
    std::string one = search(0, "needle", "*.c;*.txt", Recurse, escapeAt);
    EXPECT_NE(one.find("User break"), std::string::npos) << escapeAt;
    for (int threads : {2, 4})
      EXPECT_EQ(search(threads, "needle", "*.c;*.txt", Recurse, escapeAt), one)
          << "Esc at " << escapeAt << " on " << threads;
  }
}

// The descriptors the process holds.
int openDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir && readdir(dir)) ++count;
  if (dir) closedir(dir);
  return count;
}

// Searches on four threads while another thread replaces, renames and deletes the files, and
// stops some of them at random moments: every file always names its own path, so a hit showing
// another path's bytes would show a file object read for the wrong path; the counts agree with
// what was written; no descriptor is left open.
TEST_F(ScanWindowTest, ChangesAndStopsUnderARunningSearchShowEachPathItsOwnBytes) {
  auto content = [](const std::string& relative) {
    std::string line = "needle " + relative + "\n";
    return line + "other\n" + line;
  };
  std::vector<std::string> files;
  for (int d = 0; d < 16; ++d)
    for (int f = 0; f < 40; ++f) {
      files.push_back("d" + std::to_string(d) + "/f" + std::to_string(f) + ".c");
      write(files.back(), content(files.back()));
    }
  readMaxFileSize();  // a search's start opens the registry, whose connection stays open
  rehost(4);
  int descriptorsBefore = openDescriptors();
  std::atomic<bool> done{false};
  std::thread changer([&] {
    std::mt19937 random(38);
    int made = 0;
    while (!done.load()) {
      const std::string& victim = files[random() % files.size()];
      fs::path path = root / victim;
      // Written whole under a hidden name (no walk takes it), then put in place at once.
      auto place = [&](const std::string& relative) {
        fs::path temporary = path.parent_path() / ".next";
        write(fs::relative(temporary, root).string(), content(relative));
        fs::rename(temporary, root / relative);
      };
      switch (random() % 3) {
        case 0:
          place(victim);
          break;
        case 1:
          place(fs::path(victim).parent_path().string() + "/r" + std::to_string(made++) + ".c");
          unlink(path.c_str());
          break;
        default:
          unlink(path.c_str());
      }
      usleep(100);
    }
  });
  std::mt19937 random(83);
  for (int round = 0; round < 6; ++round) {
    WORD options = round % 2 ? WORD(Recurse | Asynchronous) : WORD(Recurse);
    sink->clear();
    setField(textToFind, "needle");
    setField(fileMask, "*.c");
    setField(directories, win());
    searchOptions = options;
    bool stop = round >= 2;
    if (options & Asynchronous) {
      DWORD id = 0;
      HANDLE worker = CreateThread(nullptr, 0, searchThreadMain, job.get(), 0, &id);
      ASSERT_NE(worker, nullptr);
      searchThreadId = id;
      if (stop) {
        usleep(random() % 20000);
        job->stopRequested = 1;  // as the stop question does from the IDE's thread
      }
      ASSERT_EQ(WaitForSingleObject(worker, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
      CloseHandle(worker);
    } else {
      if (stop) display->pressEscapeAtQuery(display->escapeQueries() + 2 + random() % 300);
      runSearch(job.get(), 0);
    }
    int hits = 0;
    std::vector<std::string> withHits;
    for (const host::MessageEvent& e : sink->events(host::MessageEvent::Kind::Entry)) {
      if (!e.file || !inTree(*e.file)) continue;
      std::string relative = e.file->substr(win().size() + 1);
      for (char& c : relative)
        if (c == '\\') c = '/';
      EXPECT_EQ(e.text, "needle " + relative) << *e.file;
      if (withHits.empty() || withHits.back() != *e.file) withHits.push_back(*e.file);
      ++hits;
    }
    EXPECT_EQ(job->hitCount, hits);
    EXPECT_EQ(job->filesWithHits, static_cast<LONG>(withHits.size()));
    EXPECT_EQ(job->filesSearched, static_cast<LONG>(scanned().size()));
    ASSERT_FALSE(lines().empty());
    std::string summary = "Vantrel : " + std::to_string(hits) + " found in ";
    bool stopped = lines().back() == "Vantrel : User break !";
    EXPECT_EQ(lines()[lines().size() - (stopped ? 2 : 1)].rfind(summary, 0), 0u) << summary;
    if (!stop) {
      EXPECT_FALSE(stopped);
    }
  }
  done.store(true);
  changer.join();  // it holds a file open while it writes one
  EXPECT_EQ(openDescriptors(), descriptorsBefore);
}

}  // namespace
