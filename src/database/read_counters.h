// How much the engine has read from files in this process (all databases and
// snapshots): 256-byte blocks, and the read calls that moved them. Cheap
// counters for measurements and tests; database_manager.h shows them.
#pragma once
#include <stdint.h>

// Counts one read from a file of that many blocks.
void CountFileRead(uint32_t blocks);
unsigned long DatabaseBlockReads();
unsigned long DatabaseFileReads();
void ResetDatabaseBlockReads();
