// Registry functions of the simulated machine, with the results and error codes of the
// Windows registry API, over the tree in registry_store.
#include "platform/registry.h"

#include <array>
#include <cstring>

#include "common/text.h"
#include "platform/sim/registry/registry_store.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using namespace sim::internal;

namespace {

// Access rights of key handles (winnt.h).
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kPlatform9x = 1;

// A handle's key and the rights it was opened with.
struct Resolved {
  std::shared_ptr<RegNode> node;
  uint32_t access = 0;
};

// Stands for HKEY_CLASSES_ROOT while HKEY_LOCAL_MACHINE\Software\Classes does not exist, so
// that reading through it finds nothing. Never written to.
std::shared_ptr<RegNode> EmptyClassesView() {
  static const std::shared_ptr<RegNode> empty = std::make_shared<RegNode>();
  return empty;
}

// Turns generic rights into the key rights they stand for.
uint32_t MapAccess(uint32_t access) {
  if (access & (kGenericAll | kMaximumAllowed)) access |= kKeyAllAccess;
  if (access & kGenericRead) access |= kKeyRead;
  if (access & kGenericWrite) access |= kKeyWrite;
  return access;
}

// The 9x family has no access checks on keys: every handle can do everything.
bool Allows(uint32_t have, uint32_t need) {
  return sim::Profile().platformId == kPlatform9x || (have & need) == need;
}

// Finds the key behind a handle. `forWrite` makes HKEY_CLASSES_ROOT's key exist.
ErrorCode Resolve(RegKey key, bool forWrite, Resolved* out) {
  if (!key) return kErrInvalidHandle;
  if (key == kRegLocalMachine || key == kRegCurrentUser) {
    out->node = RegRootNode(key == kRegLocalMachine ? RegRoot::kLocalMachine : RegRoot::kCurrentUser);
    out->access = kKeyAllAccess;
    return kErrSuccess;
  }
  if (key == kRegClassesRoot) {
    out->node = RegClassesNode(forWrite);
    if (!out->node) out->node = EmptyClassesView();
    out->access = kKeyAllAccess;
    return kErrSuccess;
  }
  RegHandle* handle = RegLookupHandle(key);
  if (!handle) return kErrInvalidHandle;
  if (handle->node->deleted) return kErrKeyDeleted;
  out->node = handle->node;
  out->access = handle->access;
  return kErrSuccess;
}

std::u16string_view ViewOf(const char16_t* text) {
  return text ? std::u16string_view(text, TextLength(text)) : std::u16string_view();
}

// Copies a name and its terminator into a caller's buffer of *length characters; 234 when
// it does not fit (the length is then left as it was).
ErrorCode CopyName(const std::u16string& name, char16_t* out, uint32_t* length) {
  if (name.size() + 1 > *length) return kErrMoreData;
  std::memcpy(out, name.data(), name.size() * sizeof(char16_t));
  out[name.size()] = 0;
  *length = static_cast<uint32_t>(name.size());
  return kErrSuccess;
}

// The keys the last few opening calls reached, by the handle they started from and the exact
// path text: setup opens the same few paths over and over. A handle's token always names the
// same key (tokens are never reused), and the two real roots are replaced only on a reset,
// which marks the old tree deleted; only a removal takes a key out of the tree, and it marks
// the key and everything below it deleted, which ends its entry here, as a freed key does.
// HKEY_CLASSES_ROOT stands for a key that may appear later, so it is never remembered. Used
// under the machine's lock.
struct ReachedKey {
  RegKey from = nullptr;
  std::u16string path;
  std::weak_ptr<RegNode> node;
};
constexpr size_t kReachedKeys = 8;
std::array<ReachedKey, kReachedKeys> g_reached;
size_t g_nextReached = 0;

// Whether two paths are the same text: lengths first, then the bytes in one comparison.
bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

// The key `path` reached from `from` before, when it is still in the tree; else null.
std::shared_ptr<RegNode> ReachedBefore(RegKey from, std::u16string_view path) {
  if (from == kRegClassesRoot) return nullptr;
  for (const ReachedKey& known : g_reached) {
    if (known.from != from || !SameText(known.path, path)) continue;
    std::shared_ptr<RegNode> node = known.node.lock();
    if (node && !node->deleted) return node;
  }
  return nullptr;
}

void NoteReached(RegKey from, std::u16string_view path, const std::shared_ptr<RegNode>& node) {
  if (from == kRegClassesRoot || !node) return;
  ReachedKey& slot = g_reached[g_nextReached];
  g_nextReached = (g_nextReached + 1) % kReachedKeys;
  slot.from = from;
  slot.path.assign(path);
  slot.node = node;
}

}  // namespace

// Opens an existing key: 2 when a level is missing, 161 for a path that starts with '\'.
int32_t SysRegOpenKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegOpenKey)) return static_cast<int32_t>(LastError());
  if (!out) return kErrInvalidParameter;
  *out = nullptr;
  static std::vector<std::u16string_view> levels;  // kept for its capacity (the lock is held)
  const std::u16string_view text = ViewOf(path);
  // A remembered path split without error before.
  std::shared_ptr<RegNode> node = ReachedBefore(root, text);
  if (!node)
    if (ErrorCode err = RegSplitPath(text, &levels)) return err;
  Resolved at;
  // Opening HKEY_CLASSES_ROOT itself hands out its key, which every Windows has.
  if (ErrorCode err = Resolve(root, root == kRegClassesRoot && levels.empty(), &at)) return err;
  if (!node) {
    node = RegWalk(at.node, levels);
    NoteReached(root, text, node);
  }
  if (!node) return kErrFileNotFound;
  *out = RegAddHandle(node, MapAccess(access));
  return kErrSuccess;
}

// Opens a key, creating every missing level; the disposition tells whether the last level
// was created. Creating needs the right to create subkeys on the starting handle.
int32_t SysRegCreateKey(RegKey root, const char16_t* path, uint32_t access, RegKey* out, uint32_t* disposition) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegCreateKey)) return static_cast<int32_t>(LastError());
  if (!out) return kErrInvalidParameter;
  *out = nullptr;
  static std::vector<std::u16string_view> levels;  // kept for its capacity (the lock is held)
  const std::u16string_view text = ViewOf(path);
  // A remembered path split without error before.
  std::shared_ptr<RegNode> node = ReachedBefore(root, text);
  const bool remembered = node != nullptr;
  if (!remembered)
    if (ErrorCode err = RegSplitPath(text, &levels)) return err;
  Resolved at;
  if (ErrorCode err = Resolve(root, true, &at)) return err;
  if (!remembered) node = RegWalk(at.node, levels);
  bool created = false;
  if (!node) {
    if (!Allows(at.access, kKeyCreateSubKey)) return kErrAccessDenied;
    node = at.node;
    for (std::u16string_view level : levels) node = RegAddSubkey(node.get(), level, &created);
  }
  if (!remembered) NoteReached(root, text, node);
  *out = RegAddHandle(node, MapAccess(access));
  if (disposition) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return kErrSuccess;
}

// Forgets a handle; the predefined roots close without effect.
int32_t SysRegCloseKey(RegKey key) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegCloseKey)) return static_cast<int32_t>(LastError());
  if (key == kRegLocalMachine || key == kRegCurrentUser || key == kRegClassesRoot) return kErrSuccess;
  return RegRemoveHandle(key) ? kErrSuccess : kErrInvalidHandle;
}

// Reads a value's type and exact bytes; with null data only the size. 234 with the needed
// size when the buffer is too small.
int32_t SysRegQueryValue(RegKey key, const char16_t* name, uint32_t* type, uint8_t* data, uint32_t* size) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegQueryValue)) return static_cast<int32_t>(LastError());
  Resolved at;
  if (ErrorCode err = Resolve(key, false, &at)) return err;
  if (!Allows(at.access, kKeyQueryValue)) return kErrAccessDenied;
  if (data && !size) return kErrInvalidParameter;
  const RegValue* value = RegFindValue(at.node.get(), ViewOf(name));
  if (!value) return kErrFileNotFound;
  if (type) *type = value->type;
  auto needed = static_cast<uint32_t>(value->data.size());
  if (data && *size < needed) {
    *size = needed;
    return kErrMoreData;
  }
  if (data && needed) std::memcpy(data, value->data.data(), needed);
  if (size) *size = needed;
  return kErrSuccess;
}

// Stores exactly the bytes given, whatever the type says about terminators.
int32_t SysRegSetValue(RegKey key, const char16_t* name, uint32_t type, const uint8_t* data, uint32_t size) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegSetValue)) return static_cast<int32_t>(LastError());
  Resolved at;
  if (ErrorCode err = Resolve(key, true, &at)) return err;
  if (!Allows(at.access, kKeySetValue)) return kErrAccessDenied;
  if (!data && size) return kErrNoAccess;
  // Like Windows NT, a string whose byte count leaves out its terminating zero gets it added
  // when the character after the counted ones is that zero.
  if ((type == kRegTypeSz || type == kRegTypeExpandSz || type == kRegTypeMultiSz) && size >= 2 && size % 2 == 0) {
    const char16_t* text = reinterpret_cast<const char16_t*>(data);
    if (text[size / 2 - 1] != 0 && text[size / 2] == 0) size += 2;
  }
  RegStoreValue(at.node.get(), ViewOf(name), type, data, size);
  return kErrSuccess;
}

// Removes one value; 2 when it does not exist.
int32_t SysRegDeleteValue(RegKey key, const char16_t* name) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegDeleteValue)) return static_cast<int32_t>(LastError());
  Resolved at;
  if (ErrorCode err = Resolve(key, false, &at)) return err;
  if (!Allows(at.access, kKeySetValue)) return kErrAccessDenied;
  return RegRemoveValue(at.node.get(), ViewOf(name)) ? kErrSuccess : kErrFileNotFound;
}

// Deletes a key without subkeys (5 when it has some); open handles to it then fail with 1018.
int32_t SysRegDeleteKey(RegKey key, const char16_t* subkey) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegDeleteKey)) return static_cast<int32_t>(LastError());
  std::vector<std::u16string_view> levels;
  if (ErrorCode err = RegSplitPath(ViewOf(subkey), &levels)) return err;
  Resolved at;
  if (ErrorCode err = Resolve(key, false, &at)) return err;
  // An empty subkey deletes the key behind the handle itself.
  std::shared_ptr<RegNode> target = RegWalk(at.node, levels);
  if (!target) return kErrFileNotFound;
  // Roots (and HKEY_CLASSES_ROOT's key) cannot be deleted; nor can a key with subkeys.
  if (!target->parent || target.get() == RegClassesNode(false).get()) return kErrAccessDenied;
  if (!target->subkeys.empty()) return kErrAccessDenied;
  RegRemoveSubkeyTree(target->parent, target.get());
  return kErrSuccess;
}

// Names the index-th subkey in sorted order; 259 past the last one.
int32_t SysRegEnumKey(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegEnumKey)) return static_cast<int32_t>(LastError());
  Resolved at;
  if (ErrorCode err = Resolve(key, false, &at)) return err;
  if (!Allows(at.access, kKeyEnumerateSubKeys)) return kErrAccessDenied;
  if (!name || !nameLen) return kErrInvalidParameter;
  if (index >= at.node->subkeys.size()) return kErrNoMoreItems;
  return CopyName(at.node->subkeys[index]->name, name, nameLen);
}

// Names the index-th value in creation order with its type and bytes; 259 past the last one.
int32_t SysRegEnumValue(RegKey key, uint32_t index, char16_t* name, uint32_t* nameLen, uint32_t* type,
                        uint8_t* data, uint32_t* dataSize) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysRegEnumValue)) return static_cast<int32_t>(LastError());
  Resolved at;
  if (ErrorCode err = Resolve(key, false, &at)) return err;
  if (!Allows(at.access, kKeyQueryValue)) return kErrAccessDenied;
  if (!name || !nameLen || (data && !dataSize)) return kErrInvalidParameter;
  if (index >= at.node->values.size()) return kErrNoMoreItems;
  const RegValue& value = at.node->values[index];
  if (ErrorCode err = CopyName(value.name, name, nameLen)) return err;
  if (type) *type = value.type;
  auto needed = static_cast<uint32_t>(value.data.size());
  if (data && *dataSize < needed) {
    *dataSize = needed;
    return kErrMoreData;
  }
  if (data && needed) std::memcpy(data, value.data.data(), needed);
  if (dataSize) *dataSize = needed;
  return kErrSuccess;
}
