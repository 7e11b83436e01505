// The support log: one line per decision of the scheduler in
// "<repository>\Logs\Tickwarden.log", each "YYYY-MM-DD HH:MM:SS word text" in
// local time, so that a support engineer can tell why a backup ran or did not.
// Lines wait in a bounded buffer until the repository can be written (while it
// is offline, or when a write fails) and are written after the work of a
// message is done, so writing never delays or changes what the scheduler does.
// At 256 KB the log becomes Tickwarden.old.log and a new one begins.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "common/packed_time.h"
#include "schedule/deferred_runs.h"

// The repository's folder for the log, its lock, and the claims of runs.
const char SupportLogFolder[] = "Logs";
const size_t SupportLogMaxBytes = 256 * 1024;
const size_t SupportLogBufferBytes = 64 * 1024;
// A line's text beyond this is cut.
const size_t SupportLogLineBytes = 600;
// How much of the end of an earlier log is read for missed runs told before.
const size_t SupportLogToldTail = 64 * 1024;

// "YYYY-MM-DD HH:MM:SS word text\r\n" into out (terminated, cut to fit).
// Returns the length written.
size_t FormatSupportLogLine(char* out, size_t outSize, PackedTime when, const char* word, const char* text);

// Lines not yet written, oldest first. When full, the oldest whole lines make
// room and are counted, so the log can say that some were lost.
class SupportLogBuffer {
 public:
  void Append(const char* line, size_t length);
  const char* Data() const { return data_; }
  size_t Size() const { return size_; }
  unsigned Dropped() const { return dropped_; }
  // Forgets the first n bytes (a whole number of lines), as written.
  void Consume(size_t n);
  void ClearDropped() { dropped_ = 0; }
  // Forgets n of the lost lines, once the notice that counts them is written.
  void ForgetDropped(unsigned n) { dropped_ = n < dropped_ ? dropped_ - n : 0; }
  // Bytes taken from the front so far, written or lost: a writer that copied
  // the lines out tells by it which of them still wait when it is done.
  uint64_t Removed() const { return removed_; }

 private:
  char data_[SupportLogBufferBytes];
  size_t size_ = 0;
  unsigned dropped_ = 0;
  uint64_t removed_ = 0;
};

// How every line about a set names it: number and quoted name, as the user's
// code page writes it (common/escaped_text.h): '"', '\' and control
// characters escaped, everything else as it is.
void FormatSetText(char* out, size_t outSize, int32_t setNumber, const char* name);
// The text of a "missed" line: the set, the last missed minute, how many, why,
// whether it runs now (or, held, once waitsFor is gone), and the user it was
// told to (left out when "" or null).
void FormatMissedLogText(char* out, size_t outSize, int32_t setNumber, const char* name, PackedTime lastSlot,
                         int count, const char* why, bool runsNow, const char* toldUser = nullptr,
                         HoldReason waitsFor = HoldReason::None);
// Calls read with set number and last missed minute of each "missed" line of a
// log text that was told to user, or to nobody named (lines written before
// users were named); lines of other words, and damaged ones, are passed over.
typedef void (*MissedLineReader)(int32_t setNumber, PackedTime lastSlot, void* context);
void ReadMissedLogLines(const char* text, size_t length, const char* user, MissedLineReader read, void* context);

// The text of a "deferred" line: the set, its trigger, the minute it fell due,
// why it waits, at most how long (limitMinutes > 0), and, atStop, that it was
// still held when the scheduler stopped.
void FormatDeferredLogText(char* out, size_t outSize, int32_t setNumber, const char* name, const char* trigger,
                           PackedTime slot, HoldReason reason, int limitMinutes, bool atStop);
// The end of a launch line for a held run: "(due <minute>, waited N min: on
// battery, full screen; limit reached)".
void FormatWaitedNote(char* out, size_t outSize, PackedTime slot, long minutes, unsigned reasons, bool limitReached);
// Calls read with the set, the slot and why of each "deferred" line of a log
// text that says the run was still held when the scheduler stopped.
typedef void (*HeldAtStopReader)(int32_t setNumber, PackedTime slot, HoldReason reason, void* context);
void ReadHeldAtStopLines(const char* text, size_t length, HeldAtStopReader read, void* context);
// The text of a "wake" line: the set, the slot's minute, then what came of it.
void FormatWakeLogText(char* out, size_t outSize, int32_t setNumber, const char* name, PackedTime slot,
                       const char* outcome);

// Whether a log of currentSize bytes is renamed to the old log before adding.
inline bool SupportLogNeedsTurnover(unsigned long currentSize, size_t adding) {
  return currentSize > 0 && currentSize + adding > SupportLogMaxBytes;
}

#ifdef _WIN32
// Adds a line stamped with the scheduler's clock now.
void SupportLogLine(const char* word, const char* text);
// Writes what waits into <repository>\Logs\Tickwarden.log; keeps it when the
// folder or file cannot be written. Any thread; lines may be added meanwhile.
void FlushSupportLog(const char* repository);
// Whether some line waits to be written.
bool SupportLogWaiting();
// The last at most size bytes of <repository>\Logs\Tickwarden.log into out;
// the count read (0 for an absent log).
size_t ReadSupportLogTail(const char* repository, char* out, size_t size);
// The buffer (made at the first line, so that it takes no room in the
// program's file); tests read it.
SupportLogBuffer& PendingSupportLog();
#endif
