#pragma once
#include <windows.h>

class InstallItem;
class SetupSession;

// The progress bar tracks time, not bytes. Copying a file costs its bytes
// plus a fixed cost for making the file (creating it, naming it, the
// folder lookups), which dominates for small files; registry entries and
// links cost a fixed time each. All are counted in bytes: the fixed costs
// as the bytes of a large file that take as long to copy. Measured under
// Wine with timed logs of unattended runs: a small file about 1 ms, while
// large ones expand at about 150 MB/s; a registry entry about 80 us; a
// link about 12 ms.
constexpr unsigned long long kFileCost = 192 * 1024;
constexpr unsigned long long kRegistryEntryCost = 16 * 1024;
constexpr unsigned long long kLinkCost = 2048 * 1024;

// The fixed cost of one item of the install pass: a file's (its bytes are
// counted as they are copied), a registry entry's, or the links that a
// shortcut makes in the places `linkFlags` chose.
unsigned long long FixedCost(InstallItem& item, WORD linkFlags);

// Sets the whole of the pass into the session's progress (the bytes of
// every file and the fixed cost of every item) and the range of the
// progress window's bar.
void PlanProgress(SetupSession& session, WORD linkFlags);
