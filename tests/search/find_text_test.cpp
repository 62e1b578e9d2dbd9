// The literal finder against a byte-by-byte search: random haystacks over small alphabets (so that
// partial matches abound), needles of 1 to 64 bytes, matches at either end, haystacks shorter than
// the needle or of any length around the block size, repeated prefixes, NUL bytes and bytes from
// 128 up. Every haystack is placed hard against an inaccessible page, once ending there and once
// starting there, so a read outside it crashes the test.
#include "search/find_text.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// The first occurrence of `needle` in haystack[from, size) by plain comparison, or -1; with
// `anyCase` a capital of the needle also matches its small letter.
long referenceFind(const std::string& haystack, size_t from, const std::string& needle,
                   bool anyCase) {
  auto same = [anyCase](char wanted, char text) {
    return text == wanted || (anyCase && wanted >= 'A' && wanted <= 'Z' && text == wanted + 32);
  };
  for (size_t at = from; at + needle.size() <= haystack.size(); ++at)
    if (std::equal(needle.begin(), needle.end(), haystack.begin() + at, same))
      return static_cast<long>(at);
  return -1;
}

// A readable region with an inaccessible page on each side.
class GuardedRegion {
 public:
  GuardedRegion() {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_ = 4 * page_;
    void* map = mmap(nullptr, size_ + 2 * page_, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return;
    base_ = static_cast<char*>(map);
    if (mprotect(base_, page_, PROT_NONE) != 0 ||
        mprotect(base_ + page_ + size_, page_, PROT_NONE) != 0)
      return;
    ready_ = true;
  }
  ~GuardedRegion() {
    if (base_) munmap(base_, size_ + 2 * page_);
  }
  bool ready() const { return ready_; }
  size_t size() const { return size_; }
  // `data` copied so that it ends just before the trailing guard page.
  const char* atEnd(const std::string& data) {
    char* to = base_ + page_ + size_ - data.size();
    memcpy(to, data.data(), data.size());
    return to;
  }
  // `data` copied so that it starts just after the leading guard page.
  const char* atStart(const std::string& data) {
    char* to = base_ + page_;
    memcpy(to, data.data(), data.size());
    return to;
  }

 private:
  size_t page_ = 0;
  size_t size_ = 0;
  char* base_ = nullptr;
  bool ready_ = false;
};

class FindTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(region_.ready()); }

  // Every occurrence of `needle` in `haystack`, found as the plain scan does (each search resumes
  // one byte after the last hit), matches the reference for every kind of haystack and with the
  // haystack against either guard page.
  void expectSameOccurrences(const std::string& haystack, const std::string& needle) {
    ASSERT_FALSE(needle.empty());
    ASSERT_LE(haystack.size(), region_.size());
    for (Haystack kind : {Haystack::AsIs, Haystack::UpperCased, Haystack::AnyCase}) {
      TextFinder finder(needle.data(), needle.size(), kind);
      const bool folded = kind != Haystack::AsIs;
      for (bool atEnd : {true, false}) {
        const char* placed = atEnd ? region_.atEnd(haystack) : region_.atStart(haystack);
        size_t from = 0;
        for (;;) {
          long expected = referenceFind(haystack, from, needle, kind == Haystack::AnyCase);
          const char* found = finder.find(placed + from, haystack.size() - from);
          long got = found ? static_cast<long>(found - placed) : -1;
          ASSERT_EQ(got, expected)
              << "needle \"" << needle << "\" (" << needle.size() << " bytes) in "
              << haystack.size() << " bytes from " << from << (folded ? ", folded" : "")
              << (kind == Haystack::AnyCase ? " (any case)" : "") << (atEnd ? ", at end" : "");
          if (expected < 0) break;
          from = static_cast<size_t>(expected) + 1;
        }
      }
    }
  }

  GuardedRegion region_;
};

std::string randomText(std::mt19937& random, size_t size, const std::string& alphabet) {
  std::string text(size, '\0');
  for (char& c : text) c = alphabet[random() % alphabet.size()];
  return text;
}

const size_t kNeedleLengths[] = {1, 2, 3, 4, 15, 16, 17, 31, 40, 64};

TEST_F(FindTextTest, RandomHaystacksOverSmallAlphabets) {
  std::mt19937 random(20261208);
  const std::string alphabets[] = {std::string("ab"), std::string("ab\0\x80\xff", 5),
                                   std::string("xyz_ \n\tXYZ"),
                                   std::string("\0\x01\x7f\x80\xfe\xff", 6),
                                   // Pairs a case bit apart: letters, and bytes that are none.
                                   std::string("aAzZ@`[{_\x7f\xc9\xe9")};
  for (const std::string& alphabet : alphabets) {
    for (size_t length : kNeedleLengths) {
      for (size_t size = 0; size <= 80; size += 1 + random() % 3) {
        std::string haystack = randomText(random, size, alphabet);
        // A needle cut from the haystack (it occurs at least once), and one made up.
        if (size >= length) {
          size_t at = random() % (size - length + 1);
          std::string cut = haystack.substr(at, length);
          expectSameOccurrences(haystack, cut);
          // Upper-cased, as a case-insensitive search holds it.
          for (char& c : cut)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
          expectSameOccurrences(haystack, cut);
        }
        expectSameOccurrences(haystack, randomText(random, length, alphabet));
      }
    }
  }
}

TEST_F(FindTextTest, NeedlePlantedInLongerSourceText) {
  std::mt19937 random(7);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz_ \t\n(){};,*=0123456789ABCDEFGHIJ";
  for (size_t length : kNeedleLengths) {
    for (int trial = 0; trial < 6; ++trial) {
      std::string haystack = randomText(random, 3000 + random() % 1000, alphabet);
      std::string needle = randomText(random, length, alphabet);
      for (int copies = random() % 4; copies > 0; --copies)
        haystack.replace(random() % (haystack.size() - length), length, needle);
      expectSameOccurrences(haystack, needle);
    }
  }
}

TEST_F(FindTextTest, NeedleAtEitherEndOrAlone) {
  std::mt19937 random(99);
  for (size_t length : kNeedleLengths) {
    std::string needle = randomText(random, length, "QWERTYqwerty{}#");
    for (size_t filler = 0; filler <= 40; ++filler) {
      std::string other(filler, '.');
      expectSameOccurrences(needle + other, needle);
      expectSameOccurrences(other + needle, needle);
      expectSameOccurrences(needle + other + needle, needle);
    }
    expectSameOccurrences(needle, needle);
    // One byte short of the needle, and the needle with its last byte changed.
    expectSameOccurrences(needle.substr(0, length - 1), needle);
    std::string changed = needle;
    changed.back() = '!';
    expectSameOccurrences(changed, needle);
  }
}

TEST_F(FindTextTest, RepeatedPrefixes) {
  for (size_t run : {3, 15, 16, 17, 39, 40, 64}) {
    std::string needle = std::string(run, 'a') + "b";
    for (size_t size = 0; size <= 100; ++size) {
      std::string haystack(size, 'a');
      expectSameOccurrences(haystack, needle);
      expectSameOccurrences(haystack + "b", needle);
      expectSameOccurrences(haystack + "b" + haystack, needle);
    }
    // The rare byte first and the common one repeated behind it.
    expectSameOccurrences(std::string(90, 'a') + "b" + std::string(90, 'a'),
                          "b" + std::string(run, 'a'));
    expectSameOccurrences(std::string(200, 'a'), std::string(run, 'a'));
  }
}

TEST_F(FindTextTest, NulAndHighBytes) {
  const std::string nul(1, '\0');
  const std::string high = "\x80\xff\xc3\xa9";
  std::string haystack;
  for (int i = 0; i < 20; ++i) haystack += "text" + nul + high + "x" + nul + nul;
  expectSameOccurrences(haystack, nul);
  expectSameOccurrences(haystack, nul + nul);
  expectSameOccurrences(haystack, high);
  expectSameOccurrences(haystack, "x" + nul + nul + "text");
  expectSameOccurrences(haystack, "\xff");
  expectSameOccurrences(haystack, std::string("\xc3\xa9x") + nul + nul + "texu");
}

}  // namespace
