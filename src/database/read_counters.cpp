// The read counters, atomic so that any thread may count.
#include "database/read_counters.h"

namespace {

unsigned long g_blockReads = 0;
unsigned long g_fileReads = 0;

}  // namespace

void CountFileRead(uint32_t blocks) {
  __atomic_fetch_add(&g_blockReads, (unsigned long)blocks, __ATOMIC_RELAXED);
  __atomic_fetch_add(&g_fileReads, 1ul, __ATOMIC_RELAXED);
}
unsigned long DatabaseBlockReads() { return __atomic_load_n(&g_blockReads, __ATOMIC_RELAXED); }
unsigned long DatabaseFileReads() { return __atomic_load_n(&g_fileReads, __ATOMIC_RELAXED); }
void ResetDatabaseBlockReads() {
  __atomic_store_n(&g_blockReads, 0ul, __ATOMIC_RELAXED);
  __atomic_store_n(&g_fileReads, 0ul, __ATOMIC_RELAXED);
}
