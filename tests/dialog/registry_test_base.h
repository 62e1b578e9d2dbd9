// A test with a registry file of its own: a fresh folder for each test, named to the layer by
// VANTREL_REGISTRY, removed afterwards. Shared by the dialog's tests of what the registry holds.
#ifndef VANTREL_TESTS_DIALOG_REGISTRY_TEST_BASE_H_
#define VANTREL_TESTS_DIALOG_REGISTRY_TEST_BASE_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class RegistryTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("VANTREL_REGISTRY", (dir_ + "/registry.sqlite3").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_REGISTRY");
    ASSERT_EQ(system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }
  std::string dir_;
};

#endif  // VANTREL_TESTS_DIALOG_REGISTRY_TEST_BASE_H_
