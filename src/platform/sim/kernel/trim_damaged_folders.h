// Prepares a cabinet's bytes for block-exact extraction: each folder's block count is cut
// before its first missing or damaged data block. Windows' cabinet engine decompresses data
// block by block, so the files stored before the damage still extract and the first file that
// needs a damaged block fails; libmspack reads ahead across block boundaries and would fail
// earlier files too, unless it never gets to see the damaged block.
#pragma once
#include <string>

namespace sim {

// Cuts the block count of every folder of the cabinet in bytes before its first data block
// that lies outside the file, exceeds the format's size limits, continues in another cabinet
// or fails its checksum. Leaves bytes alone when its headers cannot be read (the decompressor
// then judges them). Returns true when some folder was cut.
bool TrimDamagedFolders(std::string* bytes);

}  // namespace sim
