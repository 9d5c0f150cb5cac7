#include "platform/registry.h"

#include <gtest/gtest.h>

#include "tests/support/environment_variable.h"
#include "tests/support/temp_tree.h"

namespace {

TEST(Registry, ReadsStringValuesOfKeysIgnoringCase) {
  TempTree tree;
  auto file = tree.Write("registry.reg",
                         "Windows Registry Editor Version 5.00\r\n"
                         "\r\n"
                         "; the texture program\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Veltmoor\\Qorv Tools\\Pressmill]\r\n"
                         "\"path\"=\"C:\\\\Tools\\\\Pressmill\\\\\"\r\n"
                         "\"Exe\" = \"press \\\"mill\\\".exe\"\r\n"
                         "\"count\"=dword:00000010\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n"
                         "\"path\"=\"other\"\r\n");
  ScopedEnvironment registry("KILNIFY_REGISTRY", file.string());
  const char* key = "software\\veltmoor\\qorv tools\\PRESSMILL";
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", key, "path"), "C:\\Tools\\Pressmill\\");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", key, "exe"), "press \"mill\".exe");
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", key, "count"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", key, "missing"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", "SOFTWARE\\Other", "path"), "other");
  EXPECT_TRUE(RegistryKeyExists("HKEY_LOCAL_MACHINE", key));
  EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE", "SOFTWARE\\Veltmoor"));
}

TEST(Registry, MissingFileHasNoKeys) {
  ScopedEnvironment registry("KILNIFY_REGISTRY", "/no/such/registry.reg");
  EXPECT_EQ(RegistryFilePath(), "/no/such/registry.reg");
  EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE", "SOFTWARE"));
  EXPECT_EQ(ReadRegistryString("HKEY_LOCAL_MACHINE", "SOFTWARE", "x"), std::nullopt);
}

TEST(Registry, DefaultLocation) {
  ::unsetenv("KILNIFY_REGISTRY");
  EXPECT_EQ(RegistryFilePath(), "/etc/kilnify/registry.reg");
}

}  // namespace
