// setup-sim --explain: the reason for every decision of a run, read back from what the run did.
#pragma once
#include <string>

namespace sim {

// The explanation of the run just made: for every copy-list entry whether it was installed
// new, replaced, kept, left for the next restart or never reached, and why; for every stage
// of the installation sequence whether it ran, was skipped or ended the installation; for every
// driver stage the route taken and its verdict. Built from the journal (the program's trace
// lines and the file lines of SetFileJournal, which must be on during the run), the copy table
// and the settings record the run left. Readable text, or one JSON object per line with json.
std::string ExplainRun(bool json);

}  // namespace sim
