// The message window: events kept and reported in order from two threads, the add-on's lines told
// apart, and its two output formats as golden lines (text and JSON), with paths mapped, control
// characters escaped and non-UTF-8 bytes read as Windows-1252; a file's host objects and its
// hits' strings reused without allocating.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/ide/addon_text.h"
#include "host/ide/host.h"
#include "host/ide/host_string.h"
#include "host/ide/json_sink.h"
#include "host/ide/passed_over_report.h"
#include "host/ide/text_encoding.h"
#include "host/ide/text_sink.h"
#include "host/posix/recording_display.h"
#include "nlohmann/json.hpp"
#include "win32/kernel32/paths.h"

// Allocations made on this thread, counted for the tests of reused objects.
thread_local long allocations = 0;

// These replace the global operators with malloc and free, a matched pair; GCC's optimizer,
// seeing free where it inlined a delete, would call it a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

using host::MessageEvent;
using host::newString;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

class MessageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_ = hostLiveObjects();
    char pattern[] = "/tmp/host_mw_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    posixFile_ = dir_ + "/Main.c";
    int fd = ::open(posixFile_.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    char windows[MAX_PATH];
    ASSERT_GT(VwinToWindowsPath(posixFile_.c_str(), windows, sizeof windows), 0u);
    windowsFile_ = windows;
    // The add-on may spell the name in another case; the POSIX path shown is the file's own.
    windowsSpelled_ = windowsFile_.substr(0, windowsFile_.size() - 6) + "MAIN.C";
  }
  void TearDown() override {
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(hostLiveObjects(), live_);
  }

  // What the add-on writes for a file with two hits, an error-free empty file and a message.
  void writeSample(MessageWindowService* window) {
    MessageGroup* g = window->openGroup(newString(windowsSpelled_), newString("Vantrel"));
    ASSERT_NE(g, nullptr);
    std::string heading = "Vantreling " + windowsSpelled_;
    int h = g->addHeading(newString(windowsSpelled_), newString(heading.c_str()));
    EXPECT_NE(h, 0);
    g->addEntry(h, newString("int main(void)"), newString(windowsSpelled_), 3, 5, 5);
    g->addEntry(h, newString("caf\xE9 \x1b[31mred\t"), newString(windowsSpelled_), 10, 1, 5);
    g->Release();
    MessageGroup* empty = window->openGroup(newString("Z:\\nohits.c"), newString("Vantrel"));
    empty->Release();
    MessageGroup* bad = window->openGroup(newString("Z:\\empty.c"), newString("Vantrel"));
    int bh = bad->addHeading(newString("Z:\\empty.c"), newString("Vantreling Z:\\empty.c"));
    bad->addEntry(bh, newString("File is 0 byte length !"), nullptr, 0, 0, 5);
    bad->Release();
    MessageGroup* m = window->openGroup(newString("Vantrel : 2 found"), newString("Vantrel"));
    m->addHeading(nullptr, newString("Vantrel : 2 found"));
    m->Release();
  }

  long live_ = 0;
  std::string dir_, posixFile_, windowsFile_, windowsSpelled_;
};

TEST_F(MessageWindowTest, TextFormatGoldenLines) {
  host::Host h;
  std::ostringstream out;
  h.messageWindow()->addSink(std::make_shared<host::TextSink>(out, host::SinkOptions{}));
  writeSample(h.messageWindow());
  EXPECT_EQ(lines(out.str()),
            (std::vector<std::string>{
                "Vantreling " + posixFile_, posixFile_ + ":3:5: int main(void)",
                posixFile_ + ":10:1: caf\xC3\xA9 \\x1b[31mred\\x09", "Vantreling /empty.c",
                "  File is 0 byte length !", "Vantrel : 2 found"}));

  std::ostringstream windows;
  host::TextSink asGiven(windows, host::SinkOptions{.windowsPaths = true});
  for (const MessageEvent& e : h.messageWindow()->events()) asGiven.event(e);
  EXPECT_EQ(lines(windows.str())[0], "Vantreling " + windowsSpelled_);
  EXPECT_EQ(lines(windows.str())[1], windowsSpelled_ + ":3:5: int main(void)");
}

TEST_F(MessageWindowTest, JsonFormatGoldenLines) {
  host::Host h;
  std::ostringstream out;
  h.messageWindow()->addSink(std::make_shared<host::JsonSink>(out, host::SinkOptions{}));
  writeSample(h.messageWindow());
  std::string spelled = windowsSpelled_;
  std::string escaped;  // the Windows path as a JSON string's contents
  for (char c : spelled) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  EXPECT_EQ(
      lines(out.str()),
      (std::vector<std::string>{
          R"({"event":"group","group":1,"title":")" + escaped + R"(","tool":"Vantrel"})",
          R"({"event":"heading","group":1,"handle":1,"file":")" + posixFile_ +
              R"(","text":"Vantreling )" + escaped + R"("})",
          R"j({"event":"entry","group":1,"parent":1,"text":"int main(void)","file":")j" +
              posixFile_ + R"(","line":3,"column":5,"kind":5})",
          "{\"event\":\"entry\",\"group\":1,\"parent\":1,\"text\":\"caf\xC3\xA9 "
          "\\u001b[31mred\\t\",\"text_bytes\":\"Y2Fm6SAbWzMxbXJlZAk=\",\"file\":\"" +
              posixFile_ + R"(","line":10,"column":1,"kind":5})",
          R"({"event":"group","group":2,"title":"Z:\\nohits.c","tool":"Vantrel"})",
          R"({"event":"group","group":3,"title":"Z:\\empty.c","tool":"Vantrel"})",
          R"({"event":"heading","group":3,"handle":2,"file":"/empty.c","text":"Vantreling Z:\\empty.c"})",
          R"({"event":"entry","group":3,"parent":2,"text":"File is 0 byte length !","file":null,"line":0,"column":0,"kind":5})",
          R"({"event":"group","group":4,"title":"Vantrel : 2 found","tool":"Vantrel"})",
          R"({"event":"heading","group":4,"handle":3,"file":null,"text":"Vantrel : 2 found"})"}));
}

// Every line the add-on writes, told apart once for the command's status, the passed-over count
// and the full-screen program's pages.
TEST_F(MessageWindowTest, TheAddOnsLinesAreToldApart) {
  using host::AddOnText;
  auto message = [](const char* text) {
    MessageEvent e;
    e.kind = MessageEvent::Kind::Heading;
    e.text = text;
    return e;
  };
  const std::pair<const char*, AddOnText> messages[] = {
      {"Vantrel : 2 found in 1 File (3 Files searched in 1 Directory)", AddOnText::kSummary},
      {"Vantrel : 0 found in 0 File (0 File searched)", AddOnText::kSummary},
      {"Vantrel : User break !", AddOnText::kUserBreak},
      {"Vantrel regular expression error : Mismatched () or []", AddOnText::kRegexError},
      {"Not enough memory to Vantrel files !", AddOnText::kOutOfMemory},
      {"Vantrel : A file type may not name a folder : x found in y !", AddOnText::kFolderAsType},
      {"Vantrel : User break ! ", AddOnText::kMessage},
      {"Vantrel: 2 found in 1 File", AddOnText::kMessage},
      {"", AddOnText::kMessage},
  };
  for (const auto& [text, kind] : messages) {
    EXPECT_EQ(host::classify(message(text)), kind) << text;
    EXPECT_EQ(host::refusesSearch(kind), kind == AddOnText::kRegexError ||
                                             kind == AddOnText::kOutOfMemory ||
                                             kind == AddOnText::kFolderAsType);
  }
  // A message's group carries its text as the title: only the heading counts, so it is seen once.
  MessageEvent group = message("Vantrel : User break !");
  group.kind = MessageEvent::Kind::Group;
  EXPECT_EQ(host::classify(group), AddOnText::kOther);
  MessageEvent heading = message("Vantreling Z:\\a.c");
  heading.file = "Z:\\a.c";
  EXPECT_EQ(host::classify(heading), AddOnText::kFileHeading);
  MessageEvent entry = message("Vantrel : User break !");
  entry.kind = MessageEvent::Kind::Entry;
  entry.file = "Z:\\a.c";
  EXPECT_EQ(host::classify(entry), AddOnText::kHit);
  entry.file.reset();
  EXPECT_EQ(host::classify(entry), AddOnText::kFileNotice);

  using host::NotSearched;
  const std::pair<const char*, NotSearched> notices[] = {
      {"File too large !", NotSearched::kTooLarge},
      {"File is 0 byte length !", NotSearched::kEmpty},
      {"Can't open file !", NotSearched::kNotOpened},
      {"Error reading file !", NotSearched::kNotRead},
      {"Can not allocate memory to grep file !", NotSearched::kNoMemory},
      {"File too large", NotSearched::kOther},
  };
  for (const auto& [text, why] : notices) EXPECT_EQ(host::whyNotSearched(text), why) << text;

  // Names Windows keeps for devices, which no file there can be opened by: any case, before any
  // extension, trailing spaces aside; near misses are ordinary names.
  for (const char* name : {"aux.c", "CON.h", "nul.txt", "Com1.log", "lpt9", "aux .c", "prn.tar.gz"})
    EXPECT_TRUE(host::isWindowsDeviceName(name)) << name;
  for (const char* name : {"auxx.c", "com0.c", "com10.c", "lpt.c", "a.aux", "console.h", "", ".c"})
    EXPECT_FALSE(host::isWindowsDeviceName(name)) << name;
  host::PassedOver counted;
  counted.unreadableFiles = 1;
  counted.deviceNames = 2;
  EXPECT_EQ(counted.describe(),
            "1 unreadable file, 2 files named as Windows devices (aux, con, nul...)");
}

TEST_F(MessageWindowTest, BeepsAndMessageBoxesAreEventsInOrder) {
  host::Host h;
  std::ostringstream json, text;
  h.messageWindow()->addSink(std::make_shared<host::JsonSink>(json, host::SinkOptions{}));
  h.messageWindow()->addSink(std::make_shared<host::TextSink>(text, host::SinkOptions{}));
  host::RecordingDisplay display(h.messageWindow());
  display.queueAnswer(IDYES);
  MessageGroup* g = h.messageWindow()->openGroup(newString("t"), newString("Vantrel"));
  display.beep(0);
  EXPECT_EQ(display.messageBox(nullptr, "Vantrel is currently running.\nDo you want to stop it ?",
                               "Vantrel", 20),
            IDYES);
  g->Release();
  EXPECT_EQ(
      lines(json.str()),
      (std::vector<std::string>{
          R"({"event":"group","group":1,"title":"t","tool":"Vantrel"})",
          R"({"event":"beep","type":0})",
          R"({"event":"messagebox","text":"Vantrel is currently running.\nDo you want to stop it ?","caption":"Vantrel","type":20,"answer":6})"}));
  EXPECT_EQ(text.str(), "");  // neither is a line of the message window
}

TEST_F(MessageWindowTest, NonUtf8BytesAreReadAsWindows1252) {
  using host::toUtf8;
  EXPECT_EQ(toUtf8("plain"), "plain");
  EXPECT_EQ(toUtf8("\xE9"), "\xC3\xA9");                        // é
  EXPECT_EQ(toUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");        // € Ÿ
  EXPECT_EQ(toUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");            // undefined: C1 of the same value
  EXPECT_EQ(toUtf8("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");  // valid UTF-8 kept
  EXPECT_EQ(toUtf8("\xC3\xA9\xE9"), "\xC3\xA9\xC3\xA9");        // mixed
  EXPECT_EQ(toUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");            // overlong form: two bytes of 1252
  EXPECT_EQ(toUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");  // surrogate
  EXPECT_EQ(toUtf8("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");          // 4-byte sequence kept
  EXPECT_EQ(toUtf8("\xE2\x82"), "\xC3\xA2\xE2\x80\x9A");              // cut sequence
  EXPECT_EQ(host::toTerminalText("a\x7F\xC2\x9B[b\x85\x9D"), "a\\x7f\\u009b[b\xE2\x80\xA6\\u009d");
  // Direction controls are escaped; their neighbours stay.
  EXPECT_EQ(host::toTerminalText("a\u202Eb\u2069\u061C\u200F\u2028\u00E9"),
            "a\\u202eb\\u2069\\u061c\\u200f\u2028\u00E9");
  // Printable runs are measured sixteen (or eight) bytes at a time: any byte, at any place of a
  // run, in the first block, a later one or the bytes after them, is escaped exactly as alone.
  for (int b = 0; b < 256; ++b) {
    std::string alone = host::toTerminalText(std::string(1, static_cast<char>(b)));
    for (size_t at = 0; at < 37; ++at) {
      std::string run(37, 'a');
      run[at] = static_cast<char>(b);
      ASSERT_EQ(host::toTerminalText(run), std::string(at, 'a') + alone + std::string(36 - at, 'a'))
          << "byte " << b << " at " << at;
    }
  }

  host::Host h;
  std::ostringstream out;
  host::JsonSink json(out, host::SinkOptions{});
  MessageEvent e;
  e.kind = MessageEvent::Kind::Entry;
  e.text = "x\xFF\x93q\x94";
  e.file = "Z:\\A\xE9.c";
  // Bytes that are not UTF-8 also come exactly, in base64 beside their text.
  EXPECT_EQ(json.format(e),
            "{\"event\":\"entry\",\"group\":0,\"parent\":0,\"text\":"
            "\"x\xC3\xBF\xE2\x80\x9Cq\xE2\x80\x9D\",\"text_bytes\":\"eP+TcZQ=\","
            "\"file\":\"/A\xC3\xA9.c\",\"file_bytes\":\"L0HpLmM=\",\"line\":0,\"column\":0,"
            "\"kind\":0}");
  nlohmann::json parsed = nlohmann::json::parse(json.format(e));
  EXPECT_EQ(parsed["text"], "x\xC3\xBF\xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(parsed["file"], "/A\xC3\xA9.c");
  e.text = "\xC3\xA9t\xC3\xA9";  // valid UTF-8 needs no bytes
  EXPECT_EQ(nlohmann::json::parse(json.format(e)).count("text_bytes"), 0u);
  for (auto [bytes, base64] : {std::pair{"", ""}, std::pair{"f", "Zg=="}, std::pair{"fo", "Zm8="},
                               std::pair{"foo", "Zm9v"}, std::pair{"foob", "Zm9vYg=="}})
    EXPECT_EQ(host::toBase64(bytes), base64);
}

TEST_F(MessageWindowTest, WorkerWritesWhileHostThreadReadsInOrder) {
  host::Host h;
  auto recording = h.record();
  std::ostringstream out;
  h.messageWindow()->addSink(std::make_shared<host::TextSink>(out, host::SinkOptions{}));
  MessageWindowService* window = h.messageWindow();
  constexpr int kFiles = 200;
  std::thread worker([&] {
    for (int f = 0; f < kFiles; ++f) {
      std::string name = "Z:\\f" + std::to_string(f) + ".c";
      MessageGroup* g = window->openGroup(newString(name), newString("Vantrel"));
      int h = g->addHeading(newString(name), newString(("Vantreling " + name).c_str()));
      for (int line = 1; line <= 3; ++line)
        g->addEntry(h, newString("hit"), newString(name), line, 1, 5);
      g->Release();
    }
  });
  size_t seen = 0;
  while (seen < kFiles * 5u) {
    std::vector<MessageEvent> now = h.messageWindow()->events();
    EXPECT_GE(now.size(), seen);
    seen = now.size();
    h.messageWindow()->flush();
  }
  worker.join();
  std::vector<MessageEvent> events = recording->events();
  ASSERT_EQ(events, h.messageWindow()->events());
  ASSERT_EQ(events.size(), kFiles * 5u);
  for (int f = 0; f < kFiles; ++f) {
    const MessageEvent* e = &events[f * 5];
    EXPECT_EQ(e[0].kind, MessageEvent::Kind::Group);
    EXPECT_EQ(e[0].group, f + 1);
    EXPECT_EQ(e[1].handle, f + 1);
    for (int line = 1; line <= 3; ++line) {
      EXPECT_EQ(e[1 + line].line, line);
      EXPECT_EQ(e[1 + line].handle, f + 1);
      EXPECT_EQ(e[1 + line].group, f + 1);
    }
  }
  EXPECT_EQ(lines(out.str()).size(), kFiles * 4u);
}

// Counts the flushes that reach the stream's buffer.
struct CountingBuffer : std::stringbuf {
  int syncs = 0;
  int sync() override {
    ++syncs;
    return std::stringbuf::sync();
  }
};

TEST_F(MessageWindowTest, OutputIsFlushedPerLineOnlyForATerminal) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  EXPECT_FALSE(host::SinkOptions::forDescriptor(pipeFds[1], false).flushEachLine);
  close(pipeFds[0]);
  close(pipeFds[1]);
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
    int terminal = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    host::SinkOptions options = host::SinkOptions::forDescriptor(terminal, true);
    EXPECT_TRUE(options.flushEachLine);
    EXPECT_TRUE(options.windowsPaths);
    close(terminal);
  }
  if (master >= 0) close(master);

  for (bool eachLine : {false, true}) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    {
      host::Host h;
      h.messageWindow()->addSink(
          std::make_shared<host::TextSink>(out, host::SinkOptions{.flushEachLine = eachLine}));
      MessageGroup* g = h.messageWindow()->openGroup(newString("Z:\\a.c"), newString("Vantrel"));
      for (int line = 1; line <= 100; ++line)
        g->addEntry(1, newString("hit"), newString("Z:\\a.c"), line, 1, 5);
      g->Release();
      EXPECT_EQ(buffer.syncs, eachLine ? 100 : 0);
    }  // the window's end flushes what is buffered
    EXPECT_EQ(buffer.syncs, eachLine ? 101 : 1);
    EXPECT_EQ(lines(buffer.str()).size(), 100u);
  }
}

TEST_F(MessageWindowTest, KeepingEventsCanBeTurnedOff) {
  host::Host h;
  auto recording = h.record();
  h.messageWindow()->keepEvents(false);
  MessageGroup* g = h.messageWindow()->openGroup(newString("t"), nullptr);
  g->addEntry(0, nullptr, nullptr, 0, 0, 5);
  g->Release();
  EXPECT_TRUE(h.messageWindow()->events().empty());
  ASSERT_EQ(recording->events().size(), 2u);
  EXPECT_EQ(recording->events()[0].tool, "");
  EXPECT_EQ(recording->events()[1].text, "");
  EXPECT_FALSE(recording->events()[1].file);
}

// Checks each event against what the add-on passed, allocating nothing itself.
class ExpectingSink : public host::MessageSink {
 public:
  void event(const MessageEvent& e) override {
    if (e.kind == MessageEvent::Kind::Entry) {
      ++entries;
      bool same = e.file && *e.file == file && e.text == text && e.line == line;
      if (!same) ++wrong;
    } else if (e.kind == MessageEvent::Kind::Group) {
      if (e.text != file || e.tool != "Vantrel") ++wrong;
    }
  }
  std::string file, text;
  int line = 0;
  long entries = 0, wrong = 0;
};

TEST_F(MessageWindowTest, AFilesObjectsAndItsHitsStringsAreReusedWithoutAllocating) {
  // Files searched as the add-on searches them (a file object, a group, a hit's two strings),
  // over paths and lines of different lengths: once the first files have sized the buffers, a
  // file and each of its hits cost no allocation, and every event still carries its own texts.
  struct Case {
    const char* name;
    int hitsPerFile;
  };
  for (const Case& c : {Case{"files without hits", 0}, Case{"files with hits", 5}}) {
    host::Host h;
    h.messageWindow()->keepEvents(false);
    auto sink = std::make_shared<ExpectingSink>();
    h.messageWindow()->addSink(sink);
    HostServer* server = h.server();
    auto makeString = [server](const std::string& text) {
      HostString* s = server->createString();
      s->setText(text.c_str());
      return s;
    };
    std::vector<std::string> paths, texts;
    for (int i = 0; i < 4; ++i) {
      std::string posix = dir_ + "/f" + std::string(static_cast<size_t>(i * 7), 'x') + ".c";
      ::close(::open(posix.c_str(), O_WRONLY | O_CREAT, 0644));
      char windows[MAX_PATH];
      ASSERT_GT(VwinToWindowsPath(posix.c_str(), windows, sizeof windows), 0u);
      paths.push_back(windows);
      texts.push_back("a hit's line, " + std::string(static_cast<size_t>(i * 13), 'y'));
    }
    paths.push_back(windowsFile_);
    long before = 0, mapping = 0;
    for (int file = 0; file < 200; ++file) {
      if (file == 100) before = allocations, mapping = 0;
      sink->file = paths[static_cast<size_t>(file) % paths.size()];
      HostFile* f = server->createFile();
      f->setName(makeString(sink->file));
      long opening = allocations;  // the layer's path mapping is not the host's to count
      ASSERT_TRUE(f->open(2));
      mapping += allocations - opening;
      MessageGroup* g = h.messageWindow()->openGroup(makeString(sink->file), makeString("Vantrel"));
      if (c.hitsPerFile) g->addHeading(makeString(sink->file), makeString("Vantreling"));
      for (int hit = 0; hit < c.hitsPerFile; ++hit) {
        sink->text = texts[static_cast<size_t>(file + hit) % texts.size()];
        sink->line = hit + 1;
        g->addEntry(1, makeString(sink->text), makeString(sink->file), sink->line, 1, 5);
      }
      g->Release();
      f->close();
      f->Release();
    }
    EXPECT_EQ(allocations - before - mapping, 0) << c.name;
    EXPECT_EQ(sink->wrong, 0) << c.name;
    EXPECT_EQ(sink->entries, 200L * c.hitsPerFile) << c.name;
  }
}

}  // namespace
