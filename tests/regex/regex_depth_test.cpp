// Loops over groups go one level deeper per repetition; on lines as long as the file scan accepts
// (499,999 bytes) they must give the right answer on a worker thread with a 1 MiB stack.
#include <gtest/gtest.h>
#include <pthread.h>
#include <string.h>

#include <functional>
#include <string>

#include "regex/grepclass.h"

namespace {

// Runs `body` on a thread whose stack is 1 MiB, as a worker search's is.
void onSmallStack(const std::function<void()>& body) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 1 << 20), 0);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

std::string repeated(const char* unit, size_t times) {
  std::string s;
  s.reserve(times * strlen(unit) + 1);
  for (size_t i = 0; i < times; ++i) s += unit;
  return s;
}

TEST(RegexDepthTest, TwoHundredThousandRepetitionsOnAOneMebibyteStack) {
  std::string text = repeated("ab", 200000) + "c";
  onSmallStack([&] {
    GREPCLASS* re = new GREPCLASS("(ab)*c");
    ASSERT_EQ(re->errorCount, 0);
    EXPECT_EQ(re->match(text.c_str()), 1);
    EXPECT_EQ(re->groupStart[0], text.c_str());
    EXPECT_EQ(re->groupEnd[0], text.c_str() + text.size());
    EXPECT_EQ(re->groupStart[1], text.c_str() + text.size() - 3);  // the last repetition
    EXPECT_EQ(re->groupEnd[1], text.c_str() + text.size() - 1);
    delete re;
  });
}

TEST(RegexDepthTest, LongestLinesGiveTheRecursiveAnswer) {
  const size_t kLongest = 499999;
  std::string as(kLongest, 'a');
  std::string mixed = repeated("ab", kLongest / 2) + "c";
  onSmallStack([&] {
    struct Case {
      const char* pattern;
      const std::string* text;
      int expected;
      size_t start;  // offset of groupStart[0]
    };
    const Case cases[] = {
        {"(a|b)*c", &mixed, 1, 0},
        {"((a)(a|b))*$", &as, 1, 1},  // pairs from 0 leave one «a» over; from 1 they end at $
        {"a(b|a)*d", &mixed, 0, 0},   // every attempt fails after going deep
    };
    for (const Case& c : cases) {
      GREPCLASS* re = new GREPCLASS(c.pattern);
      ASSERT_EQ(re->errorCount, 0) << c.pattern;
      EXPECT_EQ(re->match(c.text->c_str()), c.expected) << c.pattern;
      if (c.expected) {
        EXPECT_EQ(static_cast<size_t>(re->groupStart[0] - c.text->c_str()), c.start) << c.pattern;
        EXPECT_EQ(re->groupEnd[0], c.text->c_str() + c.text->size()) << c.pattern;
      }
      delete re;
    }
  });
}

}  // namespace
