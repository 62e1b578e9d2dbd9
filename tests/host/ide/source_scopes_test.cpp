// The lexer's scope of every byte against clang's raw tokens (tests/host/ide/clang_scopes.h), on
// hand-picked tricky files, on random files put together from their pieces, and on the project's
// own C and C++ sources.
#include "host/ide/source_scopes.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/ide/clang_scopes.h"

namespace {

using host::SourceLanguage;

// Pieces of C and C++ that lexers get wrong; each is a file of its own and a part of the random
// files. Some end inside a comment or literal, so in a random file they swallow what follows.
const std::vector<std::string> kPieces = {
    "int x = 1'000'000; char c = 'a';",
    "y = 0x1'e+1 'b' + .5'0 'c' + 1.e+5'd' + 0x1p-3 + 0x1p+'e' + 08'9'f';",
    "// a comment \"not a string\" 'nor this'\n",
    "\"// not a comment\" /* c */ \"/* nor this */\" '//' '/*'",
    "// spliced \\\nstill the comment\nint a;",
    "// spliced after blanks \\  \t\nstill the comment\n",
    "/* several\nlines */ x /* star *\\\n/ ends it */ y /**/ z /*/ still */ w",
    "\"quote \\\" inside\" '\\'' '\\\\' \"\\\\\\\\\" \"'\" '\"'",
    "\"spliced \\\nstring\" \"\\\\\nx\" 'a\\\nb'",
    "L\"wide\" u\"16\" U\"32\" u8\"8\" L'w' u'x' U'y' u8'z' u8 'q' L 'r'",
    "R\"(raw \" // /* )\" R\"d(a)\"b)d\" u8R\"x(y)x\" LR\"(z)\" uR\"()\" UR\"(\n)\" Ru\"q\"",
    "R\"bad delim(x)bad delim\" tail",
    "R\"12345678901234567(x)12345678901234567\" tail",
    "R\"+-*/(a)+-*/\" R\"<>(b)<>\" R\"\\(c)\\\" tail",
    "\"abc\"_s \"def\"s \"ghi\"sv 'c'_x \"m\"min \"%\"PRId64 \"t\"il \"u\"ilx ''_z 'k'y",
    "#include <a//b.h>\n#include <c/*d.h>\nint e; /* */",
    "#include \"f//g.h\"\n# include <h'i.h>\n#include_next <j\"k>\n#import <q/*r>\n",
    "%:include <l//m>\n#  /* c */ include <n//o>\n #include <p\\>q//r>\n",
    "#include <unclosed // a comment\n#include \"unclosed\n",
    "#define S \"unterminated\nint after;\n#error don't stop\nint z;\n",
    "#if 0\ndon't \"mind\n#endif\n",
    "x < y // a > b\n#  define LT(a) a<b\n",
    "'' 'ab' fooL\"x\" L\"y\" $L\"v\" a$u8\"w\" _R\"(x)\" R \"(y)\"",
    "operator\"\"_km; operator\"\" _mi;",
    std::string("\"a\0b\" /* \0 */ \0 'c' // \0\n", 25),
    "\"\xff\xfe\" // \xc3\x28 bad\n \xff\"s\" \xc3\xa9L\"t\" \xe2\x82\xac u8\"\xe2\x82\xac\"",
    "\"h\xc3\xa9llo\" // na\xc3\xafve\n 1\xc3\xa9'a' 2\xff'b'",
    "// a\r\nint b; \"c\"\r\n'd\r\n\"e\r\n",
    "// a\rint b;\r\"c\r/* d\r*/\r",
    "// a\n\rint b; \\\n\r\"c\"\n\r",
    "x = \\\n\"spliced before\" y = \\\n  'z'",
    "u\\\n8\"spliced prefix\" L\\\n'q' R\\\n\"(raw)\" u8\\\nR\"(r)\"",
    "a = b /\\\n/ comment by a splice\n c = d /\\\n* and another */",
    "s = \"\\\\\\\n\"; t = '\\\n\\\n'; u = 1\\\n'000;",
    "/* the file ends inside a comment",
    "\"the file ends inside a string",
    "R\"(the file ends inside a raw string",
    "// the comment ends with a splice at the file's end \\",
    "'the file ends inside a character constant \\",
    "int a;\n\t \f#include <s//t>\nb = 10 % 3; c # d;\n\n  %:include <u//v>\n x %: y\n",
    "f(a);\n  /* c */ #include <w//x>\n g(b); /* c */ #include <y//z>\n",
    "p = q\n  \\\n#include <a//b>\nr = s \\\n#include <c//d>\n",
    "/*\n * a comment line of more than sixteen bytes * / \\ ** \n ***************\n **/ i;",
    "/* sixteen bytes and more, then a spliced end *\\\n/ j; /* and *\\  \n\\\n/ k;",
};

class SourceScopesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "scopes.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes `text` to a file named `name`, to be compared in its language.
  void add(const std::string& name, const std::string& text, SourceLanguage language) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    files_[language == SourceLanguage::c].push_back(path);
  }
  // Compares our scopes of every file added with clang's (one run of clang per language).
  void compareAll() {
    for (SourceLanguage language : {SourceLanguage::cpp, SourceLanguage::c}) {
      const std::vector<std::string>& paths = files_[language == SourceLanguage::c];
      if (paths.empty()) continue;
      std::vector<std::string> theirs;
      std::string error;
      ASSERT_TRUE(clang_scopes::clangScopes(VANTREL_CLANG, paths, language, theirs, error))
          << error;
      for (size_t f = 0; f < paths.size(); ++f) {
        std::string text = clang_scopes::readFile(paths[f]);
        std::string ours = clang_scopes::ourScopes(text, language);
        EXPECT_EQ(clang_scopes::firstDifference(text, ours, theirs[f]), "")
            << paths[f] << (language == SourceLanguage::c ? " as C" : " as C++");
      }
    }
  }

  std::string dir_;
  std::vector<std::string> files_[2];  // C++, C
};

TEST_F(SourceScopesTest, TrickyPiecesScopeEachByteAsClangDoes) {
  for (size_t i = 0; i < kPieces.size(); ++i) {
    add("piece" + std::to_string(i) + ".c", kPieces[i], SourceLanguage::c);
    add("piece" + std::to_string(i) + ".cpp", kPieces[i], SourceLanguage::cpp);
  }
  compareAll();
}

TEST_F(SourceScopesTest, RandomFilesOfThePiecesScopeEachByteAsClangDoes) {
  std::mt19937 random(20261209);
  const char* joints[] = {" ", "\n", "\r\n", "\\\n", "", "\t", "\n#", "'"};
  for (int file = 0; file < 200; ++file) {
    std::string text;
    int pieces = 2 + static_cast<int>(random() % 12);
    for (int i = 0; i < pieces; ++i) {
      text += kPieces[random() % kPieces.size()];
      text += joints[random() % std::size(joints)];
    }
    // Cut at a random byte now and then, so that anything may be what the file ends inside.
    if (random() % 4 == 0) text.resize(random() % (text.size() + 1));
    add("random" + std::to_string(file) + ".c", text, SourceLanguage::c);
    add("random" + std::to_string(file) + ".cc", text, SourceLanguage::cpp);
  }
  compareAll();
}

TEST_F(SourceScopesTest, TheProjectsOwnSourcesScopeEachByteAsClangDoes) {
  namespace fs = std::filesystem;
  for (const char* folder : {"addon", "dialog", "search", "regex", "resources", "win32", "host",
                             "tests", "bench", "fuzz"}) {
    fs::path root = fs::path(VANTREL_SOURCE_DIR) / folder;
    if (!fs::exists(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      SourceLanguage language = host::sourceLanguageOf(entry.path().string());
      if (language != SourceLanguage::none)
        files_[language == SourceLanguage::c].push_back(entry.path().string());
    }
  }
  EXPECT_GT(files_[0].size() + files_[1].size(), 200u);
  compareAll();
}

TEST(SourceLanguageTest, ExtensionsChooseTheLanguage) {
  struct Case {
    const char* path;
    SourceLanguage language;
  } cases[] = {
      {"a.c", SourceLanguage::c},           {"D:\\x\\A.C", SourceLanguage::c},
      {"r/v.rc", SourceLanguage::c},        {"i.IDL", SourceLanguage::c},
      {"a.h", SourceLanguage::cpp},         {"a.cc", SourceLanguage::cpp},
      {"a.cpp", SourceLanguage::cpp},       {"a.CXX", SourceLanguage::cpp},
      {"a.c++", SourceLanguage::cpp},       {"a.hpp", SourceLanguage::cpp},
      {"a.hh", SourceLanguage::cpp},        {"a.hxx", SourceLanguage::cpp},
      {"a.inl", SourceLanguage::cpp},       {"a.ipp", SourceLanguage::cpp},
      {"a.txt", SourceLanguage::none},      {"c", SourceLanguage::none},
      {"dir.c/file", SourceLanguage::none}, {"a.cs", SourceLanguage::none},
      {"a.", SourceLanguage::none},         {"a.cppm", SourceLanguage::none},
  };
  for (const Case& c : cases) EXPECT_EQ(host::sourceLanguageOf(c.path), c.language) << c.path;
}

TEST(ScopeAtTest, ALexerAskedAsFarAsItNeedsAgreesWithTheWholeFilesSpans) {
  // Random files of the pieces, asked in random steps forward (as a file's hits come) and now
  // and then behind: each answer is the whole file's, and what was found is its spans' start.
  std::mt19937 random(20261210);
  std::vector<host::ScopeSpan> whole;
  host::ScopeLexer lexer;
  for (int file = 0; file < 300; ++file) {
    std::string text;
    for (int i = 0, pieces = 1 + static_cast<int>(random() % 10); i < pieces; ++i)
      text += kPieces[random() % kPieces.size()] + (random() % 2 ? "\n" : "");
    SourceLanguage language = file % 2 ? SourceLanguage::c : SourceLanguage::cpp;
    host::lexSourceScopes(text, language, whole);
    lexer.start(text, language);
    for (size_t at = random() % 8; at < text.size() + 2; at += random() % 40) {
      size_t asked = random() % 5 == 0 ? random() % (at + 1) : at;
      ASSERT_EQ(lexer.at(asked), host::scopeAt(whole, asked)) << "byte " << asked << " of " << text;
      ASSERT_LE(lexer.spans().size(), whole.size());
    }
    for (size_t i = 0; i < lexer.spans().size(); ++i) {
      EXPECT_EQ(lexer.spans()[i].begin, whole[i].begin);
      EXPECT_EQ(lexer.spans()[i].end, whole[i].end);
    }
  }
}

TEST(ScopeAtTest, FindsTheSpanHoldingAByte) {
  std::vector<host::ScopeSpan> spans;
  std::string text = "a /* b */ \"c\" d";
  host::lexSourceScopes(text, SourceLanguage::c, spans);
  std::string seen;
  for (size_t i = 0; i < text.size(); ++i) {
    host::SourceScope scope = host::scopeAt(spans, i);
    seen += scope == host::SourceScope::code      ? '.'
            : scope == host::SourceScope::comment ? '/'
                                                  : '"';
  }
  EXPECT_EQ(seen, "..///////.\"\"\"..");
  EXPECT_EQ(host::scopeAt(spans, text.size() + 5), host::SourceScope::code);
}

}  // namespace
