// The command's project files: the path as the add-on sees it (Windows paths kept, POSIX paths
// mapped, the file's own path by default), nodes as names or objects, one-line errors, and the
// choice of selected nodes by name.
#include "host/cli/command_project.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "win32/kernel32/paths.h"

namespace {

namespace fs = std::filesystem;

TEST(CommandProjectTest, PathsAndNodes) {
  host::ProjectDescription project;
  std::string error;
  ASSERT_TRUE(vantrel::parseProject(
      R"({"path": "C:\\Work\\demo.ide",
          "nodes": ["main.cpp", {"name": "lib", "children": ["..\\shared\\util.c", {}]}]})",
      "/tmp/p.json", project, error))
      << error;
  EXPECT_EQ(project.path, "C:\\Work\\demo.ide");
  ASSERT_EQ(project.nodes.size(), 2u);
  EXPECT_EQ(project.nodes[0].name, "main.cpp");
  EXPECT_EQ(project.nodes[1].name, "lib");
  ASSERT_EQ(project.nodes[1].children.size(), 2u);
  EXPECT_EQ(project.nodes[1].children[0].name, "..\\shared\\util.c");
  EXPECT_FALSE(project.nodes[1].children[1].name.has_value());

  // POSIX paths go through the drive mapping; a relative one starts at the file's directory, and
  // without a path the project file itself is the project.
  ASSERT_TRUE(
      vantrel::parseProject(R"({"path": "/srv/x/app.ide"})", "/tmp/p.json", project, error));
  EXPECT_EQ(project.path, "Z:\\srv\\x\\app.ide");
  ASSERT_TRUE(vantrel::parseProject(R"({"path": "sub/app.ide"})", "/tmp/q/p.json", project, error));
  EXPECT_EQ(project.path, "Z:\\tmp\\q\\sub\\app.ide");
  ASSERT_TRUE(vantrel::parseProject(R"({})", "/tmp/q/p.json", project, error));
  EXPECT_EQ(project.path, "Z:\\tmp\\q\\p.json");
  EXPECT_TRUE(project.nodes.empty());
}

TEST(CommandProjectTest, MistakesAreOneLine) {
  host::ProjectDescription project;
  // Hostile documents too: nesting far past the nodes' limit, a node that is a huge array, a huge
  // key. Each gives one short line, never the document quoted back.
  std::string deep = R"({"nodes":)" + std::string(100000, '[');
  std::string wideNode = R"({"nodes": [[)" + std::string(100000, '1').insert(1, ",") + "]]}";
  std::string longKey = "{\"" + std::string(100000, 'k') + "\": 1}";
  for (std::string text :
       {std::string("{"), std::string("[]"), std::string(R"({"nodes": {}})"),
        std::string(R"({"nodes": [3]})"), std::string(R"({"path": ""})"),
        std::string(R"({"colour": 1})"), std::string(R"({"nodes": [{"name": "a", "kids": []}]})"),
        deep, wideNode, longKey}) {
    std::string error;
    EXPECT_FALSE(vantrel::parseProject(text, "/tmp/p.json", project, error)) << text.substr(0, 40);
    EXPECT_FALSE(error.empty());
    EXPECT_LT(error.size(), 160u) << error.substr(0, 200);
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(vantrel::loadProjectFile("/nonexistent/p.json", project, error));
  EXPECT_NE(error.find("/nonexistent/p.json"), std::string::npos);
  // An endless file is read only up to the limit.
  EXPECT_FALSE(vantrel::loadProjectFile("/dev/zero", project, error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

TEST(CommandProjectTest, NodesAreSelectedByName) {
  host::ProjectDescription project;
  std::string error;
  ASSERT_TRUE(vantrel::parseProject(
      R"({"path": "C:\\P\\A.IDE",
          "nodes": ["a.c", {"name": "Lib", "children": ["b.c", "a.c"]}, "c.c"]})",
      "/tmp/p.json", project, error));
  // Depth-first ids: a.c 1, Lib 2, b.c 3, a.c 4, c.c 5.
  std::vector<ProjectNodeId> ids;
  ASSERT_TRUE(vantrel::selectNodes(project, {"c.c", "a.c", "lib"}, ids, error)) << error;
  EXPECT_EQ(ids, (std::vector<ProjectNodeId>{5, 1, 4, 2}));
  EXPECT_FALSE(vantrel::selectNodes(project, {"missing.c"}, ids, error));
  EXPECT_NE(error.find("missing.c"), std::string::npos);
}

TEST(CommandProjectTest, EmptyProjectLivesInTheCurrentDirectory) {
  host::ProjectDescription project;
  std::string error;
  fs::path previous = fs::current_path();
  fs::current_path("/tmp");
  VwinSyncCurrentDirectory();
  ASSERT_TRUE(vantrel::emptyProject(project, error));
  fs::current_path(previous);
  VwinSyncCurrentDirectory();
  EXPECT_EQ(project.path, "Z:\\tmp\\vantrel.ide");
  EXPECT_TRUE(project.nodes.empty());
}

}  // namespace
