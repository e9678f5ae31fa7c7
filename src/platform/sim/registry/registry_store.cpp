// The simulated machine's registry tree and handle table.
#include "platform/sim/registry/registry_store.h"

#include <algorithm>
#include <map>

#include "common/text.h"
#include "platform/sim/machine/sim_internal.h"

namespace sim {
namespace internal {
namespace {

// Tokens look like real key handles: small, 4-aligned, far from the predefined roots.
constexpr uintptr_t kFirstHandleToken = 0x1000;
constexpr uintptr_t kHandleTokenStep = 4;

struct RegistryState {
  std::shared_ptr<RegNode> localMachine = std::make_shared<RegNode>();
  std::shared_ptr<RegNode> currentUser = std::make_shared<RegNode>();
  std::map<uintptr_t, RegHandle> handles;
};

RegistryState& State() {
  // Never destroyed: freeing the whole tree at exit would only cost time.
  static RegistryState* state = new RegistryState;
  return *state;
}

// Survives resets so that a handle of an earlier machine never matches a new one.
uintptr_t g_nextToken = kFirstHandleToken;

void MarkTreeDeleted(RegNode* node) {
  node->deleted = true;
  for (auto& sub : node->subkeys) MarkTreeDeleted(sub.get());
}

std::vector<std::shared_ptr<RegNode>>::const_iterator LowerBound(const RegNode& node,
                                                                 std::u16string_view name) {
  return std::lower_bound(node.subkeys.begin(), node.subkeys.end(), name,
                          [](const std::shared_ptr<RegNode>& sub, std::u16string_view wanted) {
                            return RegCompareNames(sub->name, wanted) < 0;
                          });
}

// CharUpper with the ASCII case done in line.
char16_t UpperOf(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return CharUpper(c);
}

// The stored pointer of a subkey, or null; no reference count changes on the way.
const std::shared_ptr<RegNode>* FindSubkeySlot(const RegNode& node, std::u16string_view name) {
  auto it = LowerBound(node, name);
  if (it != node.subkeys.end() && RegNamesEqual((*it)->name, name)) return &*it;
  return nullptr;
}

template <typename Level>
std::shared_ptr<RegNode> Walk(const std::shared_ptr<RegNode>& node, const std::vector<Level>& levels) {
  const std::shared_ptr<RegNode>* at = &node;
  for (const Level& level : levels) {
    at = FindSubkeySlot(**at, level);
    if (!at) return nullptr;
  }
  return *at;
}

}  // namespace

// Empties both roots and closes every handle; keys of the old tree read as deleted.
void ResetRegistryStore() {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  RegistryState& state = State();
  MarkTreeDeleted(state.localMachine.get());
  MarkTreeDeleted(state.currentUser.get());
  state.localMachine = std::make_shared<RegNode>();
  state.currentUser = std::make_shared<RegNode>();
  state.handles.clear();
}

std::shared_ptr<RegNode> RegRootNode(RegRoot root) {
  return root == RegRoot::kLocalMachine ? State().localMachine : State().currentUser;
}

std::shared_ptr<RegNode> RegClassesNode(bool create) {
  std::shared_ptr<RegNode> software;
  RegNode* machine = State().localMachine.get();
  if (create) {
    bool created = false;
    software = RegAddSubkey(machine, u"Software", &created);
    return RegAddSubkey(software.get(), u"Classes", &created);
  }
  software = RegFindSubkey(*machine, u"Software");
  return software ? RegFindSubkey(*software, u"Classes") : nullptr;
}

bool RegNameLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return RegCompareNames(a, b) < 0;
}

int RegCompareNames(std::u16string_view a, std::u16string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t ca = a[i], cb = b[i];
    if (ca == cb) continue;
    ca = UpperOf(ca);
    cb = UpperOf(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool RegNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  // From the end: names of one key tend to share their beginnings (paths, numbered names).
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i] && UpperOf(a[i]) != UpperOf(b[i])) return false;
  }
  return true;
}

namespace {

template <typename Level>
ErrorCode SplitPath(std::u16string_view path, std::vector<Level>* levels) {
  levels->clear();
  levels->reserve(static_cast<size_t>(std::count(path.begin(), path.end(), u'\\')) + 1);
  if (!path.empty() && path[0] == u'\\') return kErrBadPathname;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find(u'\\', pos);
    if (end == std::u16string_view::npos) end = path.size();
    std::u16string_view level = path.substr(pos, end - pos);
    if (level.size() > kMaxKeyNameLength) return kErrInvalidParameter;
    if (!level.empty()) levels->emplace_back(level);
    pos = end + 1;
  }
  return kErrSuccess;
}

}  // namespace

ErrorCode RegSplitPath(std::u16string_view path, std::vector<std::u16string>* levels) {
  return SplitPath(path, levels);
}

ErrorCode RegSplitPath(std::u16string_view path, std::vector<std::u16string_view>* levels) {
  return SplitPath(path, levels);
}

std::shared_ptr<RegNode> RegFindSubkey(const RegNode& node, std::u16string_view name) {
  const std::shared_ptr<RegNode>* found = FindSubkeySlot(node, name);
  return found ? *found : nullptr;
}

std::shared_ptr<RegNode> RegAddSubkey(RegNode* node, std::u16string_view name, bool* created) {
  auto it = LowerBound(*node, name);
  if (it != node->subkeys.end() && RegNamesEqual((*it)->name, name)) {
    *created = false;
    return *it;
  }
  auto sub = std::make_shared<RegNode>();
  sub->name = std::u16string(name);
  sub->parent = node;
  node->subkeys.insert(it, sub);
  *created = true;
  return sub;
}

std::shared_ptr<RegNode> RegWalk(const std::shared_ptr<RegNode>& node,
                                 const std::vector<std::u16string>& levels) {
  return Walk(node, levels);
}

std::shared_ptr<RegNode> RegWalk(const std::shared_ptr<RegNode>& node,
                                 const std::vector<std::u16string_view>& levels) {
  return Walk(node, levels);
}

void RegRemoveSubkeyTree(RegNode* parent, const RegNode* child) {
  auto& subs = parent->subkeys;
  for (auto it = subs.begin(); it != subs.end(); ++it) {
    if (it->get() != child) continue;
    MarkTreeDeleted(it->get());
    (*it)->parent = nullptr;
    subs.erase(it);
    return;
  }
}

namespace {

// From this many values on a key looks its values up through an index by name; below it a
// scan is cheaper than keeping the index.
constexpr size_t kValueIndexThreshold = 16;

// The position of a value, or values.size() when the key has none of that name.
size_t FindValueIndex(RegNode* node, std::u16string_view name) {
  auto& values = node->values;
  if (values.size() < kValueIndexThreshold) {
    for (size_t i = 0; i < values.size(); ++i)
      if (RegNamesEqual(values[i].name, name)) return i;
    return values.size();
  }
  if (node->valueIndex.size() != values.size()) {
    node->valueIndex.clear();
    for (size_t i = 0; i < values.size(); ++i) node->valueIndex.emplace(values[i].name, i);
  }
  auto it = node->valueIndex.find(name);
  return it == node->valueIndex.end() ? values.size() : it->second;
}

}  // namespace

RegValue* RegFindValue(RegNode* node, std::u16string_view name) {
  const size_t index = FindValueIndex(node, name);
  return index < node->values.size() ? &node->values[index] : nullptr;
}

namespace {

// Adds a value the key does not have yet, last.
void AppendValue(RegNode* node, std::u16string_view name, uint32_t type, std::vector<uint8_t> data) {
  node->values.push_back(RegValue{std::u16string(name), type, std::move(data)});
  // A built index follows the new value; a key below the threshold keeps none.
  if (node->values.size() > kValueIndexThreshold && node->valueIndex.size() + 1 == node->values.size())
    node->valueIndex.emplace(node->values.back().name, node->values.size() - 1);
}

}  // namespace

void RegStoreValue(RegNode* node, std::u16string_view name, uint32_t type, std::vector<uint8_t> data) {
  if (RegValue* existing = RegFindValue(node, name)) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  AppendValue(node, name, type, std::move(data));
}

void RegStoreValue(RegNode* node, std::u16string_view name, uint32_t type, const uint8_t* data, size_t size) {
  if (RegValue* existing = RegFindValue(node, name)) {
    existing->type = type;
    existing->data.assign(data, data + size);
    return;
  }
  AppendValue(node, name, type, std::vector<uint8_t>(data, data + size));
}

bool RegRemoveValue(RegNode* node, std::u16string_view name) {
  auto& values = node->values;
  const size_t index = FindValueIndex(node, name);
  if (index >= values.size()) return false;
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(index));
  node->valueIndex.clear();  // positions moved: rebuilt on the next lookup
  return true;
}

RegKey RegAddHandle(std::shared_ptr<RegNode> node, uint32_t access) {
  uintptr_t token = g_nextToken;
  g_nextToken += kHandleTokenStep;
  State().handles[token] = RegHandle{std::move(node), access};
  return reinterpret_cast<RegKey>(token);
}

RegHandle* RegLookupHandle(RegKey key) {
  auto& handles = State().handles;
  auto it = handles.find(reinterpret_cast<uintptr_t>(key));
  return it == handles.end() ? nullptr : &it->second;
}

bool RegRemoveHandle(RegKey key) {
  return State().handles.erase(reinterpret_cast<uintptr_t>(key)) > 0;
}

size_t RegOpenHandleCount() { return State().handles.size(); }

}  // namespace internal
}  // namespace sim
