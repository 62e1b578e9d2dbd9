// Context lines around the add-on's hits (see host/ide/context_sink.h).
// Tested by tests/host/cli/command_e2e_test.cpp.
#include "host/ide/context_sink.h"

#include "host/ide/host_file.h"

namespace host {

ContextSink::ContextSink(std::shared_ptr<MessageSink> next, int before, int after,
                         std::function<void()> written)
    : next_(std::move(next)),
      before_(before),
      after_(after),
      written_(std::move(written)),
      ownThread_(true) {}

void ContextSink::startThread() {
  try {
    thread_ = std::make_unique<SinkThread>(
        [this](const MessageEvent& event, File* lent) {
          handle(event, lent);
          if (written_) written_();
        },
        [this] {
          endRun(afterUntil_);
          next_->flush();
          if (written_) written_();
        });
  } catch (...) {
    ownThread_ = false;  // no thread or ring to be had: the lines are made here
  }
}

bool ContextSink::writesFor(const MessageEvent& event) const {
  if (ownThread_) return false;
  using Kind = MessageEvent::Kind;
  bool endsRun =
      afterUntil_ > lastShown_ && (event.kind == Kind::Group || event.kind == Kind::Heading);
  return endsRun || next_->writesFor(event);
}

void ContextSink::showLines(long from, long to) {
  if (!readable_) return;
  std::string_view text;
  for (long number = from; number <= to && lines_.line(number, text); ++number) {
    line_.line = static_cast<int>(number);
    line_.text.assign(text.data(), text.size());
    next_->event(line_);
    lastShown_ = number;
  }
}

void ContextSink::endRun(long limit) {
  long to = afterUntil_ < limit ? afterUntil_ : limit;
  if (to > lastShown_) showLines(lastShown_ + 1, to);
}

void ContextSink::breakRuns() {
  if (!runShown_) return;
  MessageEvent mark;
  mark.kind = MessageEvent::Kind::Break;
  next_->event(mark);
  runShown_ = false;
}

void ContextSink::event(const MessageEvent& event) {
  using Kind = MessageEvent::Kind;
  // The thread starts with the first hit: a search without hits costs nothing more, and runs
  // without the locks a second thread makes the C library take.
  if (ownThread_ && !thread_ && event.kind == Kind::Entry && event.file) startThread();
  if (!thread_) {
    handle(event, nullptr);
    if (written_) written_();
    return;
  }
  // The add-on has the file of its hit open now; by the time the thread reads it, it may be
  // closed, or its name given to another file.
  // So a copy is lent with each event that makes `handle` load a file, and with no other.
  File* lent = nullptr;
  if (event.kind == Kind::Group || event.kind == Kind::Heading) {
    lentGroup_ = 0;
  } else if (event.kind == Kind::Entry && event.file && event.group != lentGroup_) {
    lentGroup_ = event.group;
#ifndef _WIN32
    if (File* open = File::openNow(*event.file)) lent = open->shareOpen();
#endif
  }
  thread_->post(event, lent);
}

void ContextSink::handle(const MessageEvent& event, File* lent) {
  using Kind = MessageEvent::Kind;
  // Released here unless the file is read through it, also when showing a line throws.
  struct Release {
    void operator()(File* file) const { file->Release(); }
  };
  std::unique_ptr<File, Release> kept(lent);
  switch (event.kind) {
    case Kind::Group:
      endRun(afterUntil_);
      group_ = 0;
      break;
    case Kind::Heading:
      endRun(afterUntil_);
      group_ = 0;
      if (event.file) breakRuns();  // the next file's lines do not touch this one's
      break;
    case Kind::Entry: {
      if (!event.file) break;
      if (event.group != group_) {
        endRun(afterUntil_);
        group_ = event.group;
        readable_ = lines_.load(*event.file, kept.release());
        line_.kind = Kind::Context;
        line_.file = *event.file;
        lastShown_ = 0;
        afterUntil_ = 0;
      }
      line_.group = event.group;
      long hit = event.line;
      if (hit <= lastShown_) break;  // already past it: shown as it comes, nothing around it
      endRun(hit - 1);
      long from = hit - before_ > lastShown_ + 1 ? hit - before_ : lastShown_ + 1;
      if (from < 1) from = 1;
      if (from > lastShown_ + 1 && lastShown_ > 0) breakRuns();
      showLines(from, hit - 1);
      lastShown_ = hit;
      afterUntil_ = hit + after_;
      runShown_ = true;
      break;
    }
    default:
      break;
  }
  next_->event(event);
}

void ContextSink::flush() {
  if (thread_) return thread_->flush();
  endRun(afterUntil_);
  next_->flush();
  if (written_) written_();
}

}  // namespace host
