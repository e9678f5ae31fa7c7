// The simulated machine's registry: a tree of keys with typed values under the two real roots
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, and the table of open key handles. Shared by the
// registry functions and the .reg file import/export; callers hold internal::Lock().
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/types.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace internal {

// Longest key name Windows accepts for one level of a path.
constexpr size_t kMaxKeyNameLength = 255;

struct RegValue {
  std::u16string name;        // "" is the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;  // exactly the bytes written
};

// Orders names ignoring case, as RegCompareNames does; looks up by views too.
struct RegNameLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const;
};

struct RegNode {
  std::u16string name;                            // case as created
  RegNode* parent = nullptr;                      // null for a root
  bool deleted = false;                           // set when removed; handles then fail
  std::vector<std::shared_ptr<RegNode>> subkeys;  // sorted by name, ignoring case
  std::vector<RegValue> values;                   // in creation order; changed only below
  // Position of each value by name, kept by the value functions below for keys with many
  // values (empty otherwise).
  std::map<std::u16string, size_t, RegNameLess> valueIndex;
};

enum class RegRoot { kLocalMachine, kCurrentUser };

// The root node of HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
std::shared_ptr<RegNode> RegRootNode(RegRoot root);
// "HKEY_LOCAL_MACHINE\Software\Classes", the key HKEY_CLASSES_ROOT shows; created when
// `create` is set, otherwise null while it does not exist.
std::shared_ptr<RegNode> RegClassesNode(bool create);

// Orders key names as the registry does: by their upper-case forms, unit by unit.
int RegCompareNames(std::u16string_view a, std::u16string_view b);
bool RegNamesEqual(std::u16string_view a, std::u16string_view b);

// Splits a key path at backslashes. Empty levels (doubled or trailing backslashes) are
// skipped. Returns kErrBadPathname for a path that starts with a backslash and
// kErrInvalidParameter for a level longer than kMaxKeyNameLength, else 0.
ErrorCode RegSplitPath(std::u16string_view path, std::vector<std::u16string>* levels);
// The same with levels that point into path (valid while path is).
ErrorCode RegSplitPath(std::u16string_view path, std::vector<std::u16string_view>* levels);

std::shared_ptr<RegNode> RegFindSubkey(const RegNode& node, std::u16string_view name);
// Returns the existing subkey of that name or adds a new one (keeping the name's case).
std::shared_ptr<RegNode> RegAddSubkey(RegNode* node, std::u16string_view name, bool* created);
// Walks levels from node; returns null when a level is missing.
std::shared_ptr<RegNode> RegWalk(const std::shared_ptr<RegNode>& node,
                                 const std::vector<std::u16string>& levels);
std::shared_ptr<RegNode> RegWalk(const std::shared_ptr<RegNode>& node,
                                 const std::vector<std::u16string_view>& levels);
// Removes a subkey with all its subkeys; every removed key is marked deleted.
void RegRemoveSubkeyTree(RegNode* parent, const RegNode* child);

RegValue* RegFindValue(RegNode* node, std::u16string_view name);
// Sets a value; an existing value of that name keeps its place and name, a new one goes last.
void RegStoreValue(RegNode* node, std::u16string_view name, uint32_t type, std::vector<uint8_t> data);
// The same from a caller's bytes; an existing value reuses its storage.
void RegStoreValue(RegNode* node, std::u16string_view name, uint32_t type, const uint8_t* data, size_t size);
bool RegRemoveValue(RegNode* node, std::u16string_view name);

// Open handles: tokens handed out to callers, each naming a key and the access it was opened
// with. Tokens are never reused, so a stale handle fails instead of reaching another key.
struct RegHandle {
  std::shared_ptr<RegNode> node;
  uint32_t access = 0;
};
RegKey RegAddHandle(std::shared_ptr<RegNode> node, uint32_t access);
// The handle behind a token, or null for an unknown token.
RegHandle* RegLookupHandle(RegKey key);
bool RegRemoveHandle(RegKey key);
// How many key handles are open.
size_t RegOpenHandleCount();

}  // namespace internal
}  // namespace sim
