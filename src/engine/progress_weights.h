#pragma once
#include <windows.h>

class InstallItem;
class SetupSession;

// The progress bar tracks time, not bytes. Copying a file costs its bytes
// plus a fixed cost for making the file (creating it, naming it, the
// folder lookups), which dominates for small files; registry entries and
// links cost a fixed time each. All are counted in bytes: the fixed costs
// as the bytes of a large file that take as long to copy. Measured under
// Wine: a small file takes 1 to 1.25 ms, while large ones go at 150 MB/s
// (compressed) to 300 MB/s (half of them plain, tools/bench/install_bench.sh);
// in timed logs of unattended runs a registry entry takes about 80 us, a
// link about 12 ms.
constexpr unsigned long long kFileCost = 256 * 1024;
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
