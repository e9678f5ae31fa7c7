// Cabinet extraction: the package cabinet into the temporary extraction folder (with the sizes
// of listed files noted for the progress figures), and the cabinets of [Cab.list] each into its
// own destination folder.
#pragma once
#include <cstdint>

constexpr uint32_t kCabListValueSize = 520;  // one [Cab.list] value: 519 characters
constexpr uint32_t kCabPathSize = 256;       // folders and cabinet paths: 255 characters

// Section listing further cabinets, keys "1", "2", ... without gaps.
inline constexpr const char16_t* kSectionCabList = u"Cab.list";
// Destination form of [Cab.list] besides "%Program Files%" and "%SYS_DIR%" (ignoring case).
inline constexpr const char16_t* kDestDefaultPath = u"%DefaultPath%";
// Caption of the message box shown when the package cabinet cannot be read.
inline constexpr const char16_t* kCabinetErrorCaption = u"SetupIterateCabinet() Error :";

// Destination folder of the [Cab.list] cabinet being extracted, read by CabPackCallback.
extern char16_t CabPackTarget[kCabPathSize];

// Extracts every file of the cabinet at `cabinetPath` into TempExtractDir with
// ExtractAllCallback. When the walk fails, shows the system's text for the error in a
// message box (exclamation, OK, topmost, no owner). Returns 1 when the walk completed, 0 when
// it failed. Changes no settings field; entries' FileSize and _dwTotalFileSize change through
// the callback.
int ExtractCabinet(const char16_t* cabinetPath);

// Cabinet walk callback of ExtractCabinet. For a file in the cabinet: the first copy-list entry
// whose FileName equals its name (ignoring case) gets the cabinet's size, which is added to
// _dwTotalFileSize; the target is TempExtractDir + "\" + the name; answers kFileOpDoIt. Any
// other notification: answers 0.
uint32_t ExtractAllCallback(void* context, uint32_t notification, uintptr_t param1, uintptr_t param2);

// Works through [Cab.list] of ConfigFile: each line names a cabinet beside the program, a
// subfolder and a destination ("%Program Files%", "%SYS_DIR%", "%DefaultPath%" or a folder
// taken as it stands); the cabinet is extracted there with CabPackCallback, and a failing
// cabinet is only traced. Returns 1 when the list was worked through to its end, 0 when it
// stopped at a line with an empty cabinet name or a missing cabinet. Changes CabPackTarget;
// no settings field.
int ExtractCabPack();

// Cabinet walk callback of ExtractCabPack. For a file in the cabinet: the target is
// CabPackTarget + "\" + its name; a relative folder in the name is created below CabPackTarget
// (with access for everyone); answers kFileOpDoIt. Any other notification: answers 0.
uint32_t CabPackCallback(void* context, uint32_t notification, uintptr_t param1, uintptr_t param2);
