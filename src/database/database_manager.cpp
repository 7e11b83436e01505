// DatabaseManager: the open-database table, opening (shared records per path,
// read-only to read-write upgrade, mirror copies) and closing.
#include "database/database_manager.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "database/cached_object.h"
#include "database/database_file.h"
#include "database/diagnostic_sink.h"
#include "platform/spin_lock.h"

namespace {

DatabaseFile** g_table = nullptr;
int g_openCount = 0;
FileManager* g_files = nullptr;
volatile long g_instanceCount = 0;

const char MirrorSuffix[] = ".mirror";
const size_t MirrorNameBufferSize = 572;
const size_t DiagnosticBufferSize = 512;
const char DiagnosticSource[] = "Database Manager";
const char LeftOpenMessage[] = " objects were left open when closing database ";

bool SamePathIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = (unsigned char)*a, cb = (unsigned char)*b;
    if (ca >= 'A' && ca <= 'Z') ca = (unsigned char)(ca + 32);
    if (cb >= 'A' && cb <= 'Z') cb = (unsigned char)(cb + 32);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

// Builds "path.mirror"; false when it does not fit.
bool MirrorName(const char* path, char* out, size_t size) {
  int n = snprintf(out, size, "%s%s", path, MirrorSuffix);
  return n > 0 && (size_t)n < size;
}

const uint32_t MirrorCopyChunkSize = 32768;

// Copies the database to its mirror through the handle just opened for writing:
// only once the open has succeeded may the mirror another writer made be
// replaced, and a copy by name would be refused the file our handle now shares
// for reading only.
void MirrorCopy(DatabaseFile* db) {
  char mirror[MirrorNameBufferSize];
  if (!MirrorName(db->Path, mirror, sizeof mirror)) return;
  unsigned char* chunk = new (std::nothrow) unsigned char[MirrorCopyChunkSize];
  int out = chunk ? g_files->FileOpen(mirror, OpenCreate) : -1;
  bool ok = out >= 0 && g_files->FileSeek(db->File, 0, 0) == 0;
  db->FilePosition = UnknownFilePosition;
  while (ok) {
    int got = g_files->FileRead(db->File, chunk, MirrorCopyChunkSize);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    ok = g_files->FileWrite(out, chunk, (unsigned)got) == got;
  }
  if (out >= 0) g_files->FileClose(out);
  delete[] chunk;
  if (!ok) g_files->FileDelete(mirror);
}

void RemoveMirror(const char* path) {
  char mirror[MirrorNameBufferSize];
  if (!MirrorName(path, mirror, sizeof mirror)) return;
  if (g_files->FileExists(mirror)) g_files->FileDelete(mirror);
}

int WriteHeader(DatabaseFile* db) {
  if (g_files->FileSeek(db->File, 0, 0) != 0) return -1;
  db->FilePosition = UnknownFilePosition;
  if (g_files->FileWrite(db->File, db->Header, HeaderUsedBytes) != (int)HeaderUsedBytes) return -1;
  db->FilePosition = HeaderUsedBytes;
  g_files->FileFlush(db->File);
  return 0;
}

// A record made for a free place in the table, entered there and reading
// through the process's file layer; -1 when the table is full or memory
// short (then a table that holds nothing goes again).
int EnterNewRecord(const char* path, DatabaseFile*& db) {
  db = nullptr;
  int slot = 0;
  while (slot < MaxOpenDatabases && g_table[slot]) ++slot;
  if (slot == MaxOpenDatabases) return -1;
  db = new (std::nothrow) DatabaseFile();
  if (!db) {
    if (g_openCount == 0) {
      delete[] g_table;
      g_table = nullptr;
    }
    return -1;
  }
  g_table[slot] = db;
  ++g_openCount;
  db->Files = g_files;
  snprintf(db->Path, sizeof db->Path, "%s", path ? path : "");
  return slot;
}

// Frees the table with its last record.
void ReleaseSlot(int slot) {
  g_table[slot] = nullptr;
  if (--g_openCount == 0) {
    delete[] g_table;
    g_table = nullptr;
  }
}

// Writers take blocks from the free-block stream; they cannot work without it.
bool OpenFreeCursor(DatabaseFile* db) {
  db->FreeCursorOpen = StreamOpen(db, &db->FreeCursor, db->HeaderField(HeaderFreeListBlockOffset)) == 0;
  return db->FreeCursorOpen != 0;
}

bool ValidMode(int mode) { return mode == OpenCreate || mode == OpenReadOnly || mode == OpenReadWrite; }

}  // namespace

DatabaseFile::DatabaseFile()
    : File(NoFile), ReferenceCount(0), Mode(OpenReadOnly), FilePosition(UnknownFilePosition),
      CacheHead(nullptr), CacheTail(nullptr), Spares(nullptr),
      SpareCount(0), FreeCursorOpen(0), Files(nullptr), TakingFreeBlock(0), FileBlocks(0), Stamp{0, 0},
      Image(nullptr), StampKnown(0), UseClock(0) {
  memset(Header, 0, sizeof Header);
  memset(Path, 0, sizeof Path);
  memset(&FreeCursor, 0, sizeof FreeCursor);
  memset(Windows, 0, sizeof Windows);
  memset(Tables, 0, sizeof Tables);
}

DatabaseFile::~DatabaseFile() {
  while (Spares) {
    CachedObject* next = Spares->Next;
    delete Spares;
    Spares = next;
  }
  DropReadWindows(this);
  DropChildTables(this);
}

DatabaseFile* LookUpDatabase(int handle) {
  DatabaseFile** table = g_table;
  if (!table || handle < 0 || handle >= MaxOpenDatabases) return nullptr;
  return table[handle];
}

DatabaseManager::DatabaseManager() {
  if (__atomic_fetch_add(&g_instanceCount, 1, __ATOMIC_ACQ_REL) == 0) g_files = new FileManager();
}

DatabaseManager::~DatabaseManager() {
  if (__atomic_fetch_add(&g_instanceCount, -1, __ATOMIC_ACQ_REL) == 1) {
    delete g_files;
    g_files = nullptr;
  }
}

int DatabaseManager::OpenDatabase(const char* path, int mode) {
  if (!path || !*path || strnlen(path, PathBufferSize) > (size_t)MaxPathLength) return -1;
  if (!ValidMode(mode)) return -1;
  if (mode == OpenReadOnly && !g_files->FileExists(path)) return -1;

  LockSlotHolder tableLock(DatabaseTableLockSlot);
  if (!g_table) {
    g_table = new (std::nothrow) DatabaseFile*[MaxOpenDatabases]();
    if (!g_table) return -1;
  }

  if (g_openCount > 0) {
    for (int slot = 0; slot < MaxOpenDatabases; ++slot) {
      DatabaseFile* db = g_table[slot];
      if (!db || db->Image || !SamePathIgnoringCase(db->Path, path)) continue;
      // Truncating a file under a live record would leave the record describing
      // blocks that are gone.
      if (mode == OpenCreate) return -1;
      if (db->Mode == mode || db->Mode != OpenReadOnly) {
        ++db->ReferenceCount;
        return slot;
      }
      // Read-only record, read-write wanted: reopen the file for writing.
      // When that fails the record stays as it is, with every reference its
      // holders took: only their own closes release it.
      RecursiveLockHolder hold(db->Lock);
      if (db->File != NoFile) g_files->FileClose(db->File);
      db->File = g_files->FileOpen(db->Path, OpenReadWrite);
      db->FilePosition = UnknownFilePosition;
      DropReadWindows(db);
      db->Mode = OpenReadWrite;
      // A writer needs the free-block stream the reader could do without.
      if (db->File < 0 || !OpenFreeCursor(db)) {
        if (db->File >= 0) g_files->FileClose(db->File);
        db->Mode = OpenReadOnly;
        db->File = g_files->FileOpen(db->Path, OpenReadOnly);
        if (db->File < 0) db->File = NoFile;
        db->FilePosition = UnknownFilePosition;
        return -1;
      }
      ++db->ReferenceCount;
      MirrorCopy(db);
      db->SetHeaderField(HeaderWriterOpenOffset, 1);
      WriteHeader(db);
      return slot;
    }
  }

  DatabaseFile* db = nullptr;
  const int slot = EnterNewRecord(path, db);
  if (slot == -1) return -1;

  bool created = false;
  bool ok = false;
  if (mode != OpenCreate && g_files->FileExists(path)) {
    int file = g_files->FileOpen(path, mode);
    if (file < 0 && mode == OpenReadWrite) {
      g_files->FileMakeNormal(path);
      file = g_files->FileOpen(path, mode);
    }
    if (file >= 0) {
      db->File = file;
      db->Mode = mode;
      db->ReferenceCount = 1;
      db->FilePosition = UnknownFilePosition;
      if (mode == OpenReadWrite) MirrorCopy(db);
      NoteFileStamp(db);
      unsigned char unit[HeaderUnitSize];
      if (g_files->FileSeek(file, 0, 0) == 0 && g_files->FileRead(file, unit, HeaderUnitSize) == (int)HeaderUnitSize) {
        memcpy(db->Header, unit, HeaderUsedBytes);
        ok = mode == OpenReadOnly || OpenFreeCursor(db);
        // A writer refused for its free-block stream leaves the flag as it was.
        if (ok && mode == OpenReadWrite) {
          db->SetHeaderField(HeaderWriterOpenOffset, 1);
          WriteHeader(db);
        }
      }
    }
  } else {
    bool existed = g_files->FileExists(path) != 0;
    int file = g_files->FileOpen(path, OpenCreate);
    // A file made by the system but refused a handle slot goes again.
    if (file < 0 && !existed) g_files->FileDelete(path);
    if (file >= 0) {
      created = true;
      db->File = file;
      db->Mode = mode;
      db->ReferenceCount = 1;
      InitialiseDatabaseHeader(db->Header);
      unsigned char unit[HeaderUnitSize];
      memset(unit, 0, sizeof unit);
      memcpy(unit, db->Header, HeaderUsedBytes);
      if (g_files->FileWrite(file, unit, HeaderUnitSize) == (int)HeaderUnitSize) {
        db->FilePosition = HeaderUnitSize;
        g_files->FileFlush(file);
        int freeList = StreamCreate(db, &db->FreeCursor);
        if (freeList >= 0) {
          db->SetHeaderField(HeaderFreeListBlockOffset, (uint32_t)freeList);
          db->FreeCursorOpen = 1;
          ok = true;
        }
      }
    }
  }

  if (ok && g_files->FileSeek(db->File, 0, HeaderUnitSize) == 0) {
    db->FilePosition = HeaderUnitSize;
    return slot;
  }
  if (db->File != NoFile) g_files->FileClose(db->File);
  if (created) g_files->FileDelete(path);
  delete db;
  ReleaseSlot(slot);
  return -1;
}

int DatabaseManager::OpenDatabaseImage(const char* path, const unsigned char* bytes, size_t size) {
  if (!bytes || size < HeaderUnitSize) return -1;
  LockSlotHolder tableLock(DatabaseTableLockSlot);
  if (!g_table) {
    g_table = new (std::nothrow) DatabaseFile*[MaxOpenDatabases]();
    if (!g_table) return -1;
  }
  DatabaseFile* db = nullptr;
  const int slot = EnterNewRecord(path, db);
  if (slot == -1) return -1;
  const int file = g_files->FileOpenImage(bytes, size);
  if (file < 0) {
    delete db;
    ReleaseSlot(slot);
    return -1;
  }
  db->File = file;
  db->Mode = OpenReadOnly;
  db->ReferenceCount = 1;
  db->Image = bytes;
  memcpy(db->Header, bytes, HeaderUsedBytes);
  SetFileBlocks(db, (int64_t)size);
  g_files->FileSeek(file, 0, HeaderUnitSize);
  db->FilePosition = HeaderUnitSize;
  return slot;
}

int DatabaseManager::CloseDatabase(int handle) {
  LockSlotHolder tableLock(DatabaseTableLockSlot);
  DatabaseFile* db = LookUpDatabase(handle);
  if (!db) return -1;
  if (--db->ReferenceCount > 0) return 0;
  {
    RecursiveLockHolder hold(db->Lock);
    if (db->File != NoFile && db->FreeCursorOpen) StreamClose(db, &db->FreeCursor);
    int leftOpen = DropAllObjects(db);
    if (leftOpen > 0) {
      char message[DiagnosticBufferSize];
      snprintf(message, sizeof message, "%d%s%.*s", leftOpen, LeftOpenMessage, MaxPathLength, db->Path);
      ReportDiagnostic(DiagnosticSource, message);
    }
    if (db->File != NoFile) {
      if (db->Mode != OpenReadOnly) {
        db->SetHeaderField(HeaderWriterOpenOffset, 0);
        WriteHeader(db);
      }
      g_files->FileClose(db->File);
      db->File = NoFile;
      if (db->Mode != OpenReadOnly) RemoveMirror(db->Path);
    }
  }
  delete db;
  ReleaseSlot(handle);
  return 0;
}
