// Deleting a registry tree: a nested key with values at every level goes completely, its
// neighbours (also one whose name starts the same) stay, and failures leave the tree whole.
#include "shared/delete_registry_tree.h"

#include <string>

#include "support/sim_fixture.h"

namespace {

class DeleteRegistryTreeTest : public SimFixture {
 protected:
  void SeedTree(const std::string& root) {
    const std::string tree = "[" + root + "\\Software\\Norvik\\Tree";
    ImportReg(tree + "]\n\"v\"=\"1\"\n" + tree + "\\a]\n" + tree + "\\a\\b]\n\"v\"=dword:00000003\n" + tree +
              "\\a\\b\\c]\n@=\"deep\"\n" + tree + "\\a\\b2]\n" + tree + "\\Z]\n\"v\"=\"4\"\n[" + root +
              "\\Software\\Norvik\\Treehouse]\n\"keep\"=\"yes\"\n");
  }
};

TEST_F(DeleteRegistryTreeTest, NestedTreeGoesAndNeighboursStay) {
  const std::pair<RegKey, const char*> roots[] = {{kRegLocalMachine, "HKEY_LOCAL_MACHINE"},
                                                  {kRegCurrentUser, "HKEY_CURRENT_USER"}};
  for (const auto& root : roots) {
    SCOPED_TRACE(root.second);
    SeedTree(root.second);
    EXPECT_EQ(DeleteRegistryTree(root.first, u"Software\\Norvik\\Tree"), 1);
    EXPECT_FALSE(KeyExists(root.first, u"Software\\Norvik\\Tree"));
    EXPECT_TRUE(KeyExists(root.first, u"Software\\Norvik\\Treehouse"));
  }
  EXPECT_EQ(DeleteRegistryTree(kRegLocalMachine, u"Software\\Norvik\\Missing"), 0);
}

TEST_F(DeleteRegistryTreeTest, FailuresLeaveTheTreeWhole) {
  for (const char* function : {"SysRegOpenKey", "SysRegDeleteKey"}) {
    SCOPED_TRACE(function);
    StartMachine("win7");
    SeedTree("HKEY_LOCAL_MACHINE");
    const std::string before = sim::ExportRegText();
    sim::FailCall(function, 0, kErrAccessDenied);
    EXPECT_EQ(DeleteRegistryTree(kRegLocalMachine, u"Software\\Norvik\\Tree"), 0);
    sim::ClearFaults();
    EXPECT_EQ(sim::ExportRegText(), before);
  }
}

}  // namespace
