// The readable summary setup-sim prints after a run: what changed on the simulated machine
// between a snapshot taken before the run and its state after it.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

// The machine's files (by Windows path: size, the host's change stamp and, for small files, a
// digest of the contents) and its registry.
struct RunSnapshot {
  struct FileState {
    uint64_t size = 0;
    std::string stamp;  // file number, modification and change times
    size_t digest = 0;
  };
  std::map<std::string, FileState> files;
  std::string registry;
};

// The replacements left for the next start of Windows: "<from> -> <to>" for each delayed move
// of the NT family ("(delete)" for a deletion), "wininit.ini: <to>=<from>" for each line of the
// [Rename] section of wininit.ini on the 9x family.
std::vector<std::string> PendingReplacements();

// Reads every file of the machine's drives and exports the registry.
RunSnapshot TakeRunSnapshot();

// The summary of the run since before: exit code, pages and dialogs shown (from the journal),
// files written and removed, shortcuts, registry keys and values added, changed or removed,
// programs started, whether a restart was requested, and the replacements left for the next
// start of Windows.
std::string DescribeRun(const RunSnapshot& before, int exitCode);

}  // namespace sim
