// The command's block-writing output buffer: bytes arrive whole and in order through a real pipe,
// a flush reaches the reader at once, and a reader that went away fails the stream instead of
// killing or hanging the writer.
#include "host/cli/descriptor_buffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <thread>

namespace {

std::string readAll(int fd) {
  std::string got;
  char chunk[4096];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) got.append(chunk, static_cast<size_t>(n));
  return got;
}

TEST(DescriptorBufferTest, SmallAndLargeWritesArriveWholeAndInOrder) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string got;
  std::thread reader([&] { got = readAll(fds[0]); });
  std::string expected;
  {
    host::DescriptorBuffer buffer(fds[1]);
    std::ostream out(&buffer);
    // Lines that straddle the block size, one write larger than a block, and single characters.
    for (int i = 0; i < 20000; ++i) {
      std::string line = "file" + std::to_string(i) + ":1:1: text\n";
      out << line;
      expected += line;
    }
    std::string big(200000, 'x');
    out.write(big.data(), static_cast<std::streamsize>(big.size()));
    expected += big;
    out.put('!');
    expected += '!';
    EXPECT_TRUE(out.good());
  }  // destruction drains what is left
  close(fds[1]);
  reader.join();
  close(fds[0]);
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}

TEST(DescriptorBufferTest, FlushReachesTheReaderBeforeMoreIsWritten) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
  host::DescriptorBuffer buffer(fds[1]);
  std::ostream out(&buffer);
  out << "first line\n";
  char chunk[64];
  EXPECT_EQ(read(fds[0], chunk, sizeof chunk), -1);  // still held in the buffer
  out.flush();
  ASSERT_EQ(read(fds[0], chunk, sizeof chunk), 11);
  EXPECT_EQ(std::string(chunk, 11), "first line\n");
  close(fds[0]);
  close(fds[1]);
}

TEST(DescriptorBufferTest, AGoneReaderFailsTheStream) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  struct sigaction ignore {
  }, saved{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);
  {
    host::DescriptorBuffer buffer(fds[1]);
    std::ostream out(&buffer);
    out << std::string(100, 'a');
    out.flush();
    EXPECT_FALSE(buffer.good());
    EXPECT_TRUE(out.bad());
    out << "more";  // dropped without another attempt
  }
  sigaction(SIGPIPE, &saved, nullptr);
  close(fds[1]);
}

}  // namespace
