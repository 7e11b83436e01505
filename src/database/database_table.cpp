// The open-database table and the steps of opening and closing a record:
// records shared per path, the read-only to read-write upgrade, mirror
// copies, the header written back, and the report of objects left open.
#include "database/database_table.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include "database/database_file.h"
#include "database/diagnostic_sink.h"
#include "platform/path_rules.h"

namespace {

DatabaseFile** g_table = nullptr;
int g_openCount = 0;

const char MirrorSuffix[] = ".mirror";
const size_t MirrorNameBufferSize = 572;
const size_t DiagnosticBufferSize = 512;
const char DiagnosticSource[] = "Database Manager";
const char LeftOpenMessage[] = " objects were left open when closing database ";
const uint32_t MirrorCopyChunkSize = 32768;

// Builds "path.mirror"; false when it does not fit.
bool MirrorName(const char* path, char* out, size_t size) {
  int n = snprintf(out, size, "%s%s", path, MirrorSuffix);
  return n > 0 && (size_t)n < size;
}

// Copies the database to its mirror through the handle just opened for writing:
// only once the open has succeeded may the mirror another writer made be
// replaced, and a copy by name would be refused the file our handle now shares
// for reading only.
void MirrorCopy(DatabaseFile* db) {
  BlockFile& b = db->Blocks;
  FileManager& files = *b.Files;
  char mirror[MirrorNameBufferSize];
  if (!MirrorName(db->Path, mirror, sizeof mirror)) return;
  unsigned char* chunk = new (std::nothrow) unsigned char[MirrorCopyChunkSize];
  int out = chunk ? files.FileOpen(mirror, OpenCreate) : -1;
  bool ok = out >= 0 && files.FileSeek(b.File, 0, 0) == 0;
  b.FilePosition = UnknownFilePosition;
  while (ok) {
    int got = files.FileRead(b.File, chunk, MirrorCopyChunkSize);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    ok = files.FileWrite(out, chunk, (unsigned)got) == got;
  }
  if (out >= 0) files.FileClose(out);
  delete[] chunk;
  if (!ok) files.FileDelete(mirror);
}

void RemoveMirror(FileManager& files, const char* path) {
  char mirror[MirrorNameBufferSize];
  if (!MirrorName(path, mirror, sizeof mirror)) return;
  if (files.FileExists(mirror)) files.FileDelete(mirror);
}

int WriteHeader(BlockFile& b) {
  FileManager& files = *b.Files;
  if (files.FileSeek(b.File, 0, 0) != 0) return -1;
  b.FilePosition = UnknownFilePosition;
  if (files.FileWrite(b.File, b.Header, HeaderUsedBytes) != (int)HeaderUsedBytes) return -1;
  b.FilePosition = HeaderUsedBytes;
  files.FileFlush(b.File);
  return 0;
}

// A writer's file shows that it is open for writing.
void MarkWriterOpen(BlockFile& b) {
  b.SetHeaderField(HeaderWriterOpenOffset, 1);
  WriteHeader(b);
}

// Frees the table with its last record.
void ReleaseSlot(int slot) {
  g_table[slot] = nullptr;
  if (--g_openCount == 0) {
    delete[] g_table;
    g_table = nullptr;
  }
}

// Read-only record, read-write wanted: reopen the file for writing. When that
// fails the record stays as it is, with every reference its holders took:
// only their own closes release it.
bool UpgradeToWriter(DatabaseFile* db) {
  RecursiveLockHolder hold(db->Lock);
  BlockFile& b = db->Blocks;
  FileManager& files = *b.Files;
  if (b.File != NoFile) files.FileClose(b.File);
  b.File = files.FileOpen(db->Path, OpenReadWrite);
  b.FilePosition = UnknownFilePosition;
  b.Windows.Free();
  b.Mode = OpenReadWrite;
  // A writer needs the free-block stream the reader could do without.
  if (b.File < 0 || !db->FreeBlocks.Open()) {
    if (b.File >= 0) files.FileClose(b.File);
    b.Mode = OpenReadOnly;
    b.File = files.FileOpen(db->Path, OpenReadOnly);
    if (b.File < 0) b.File = NoFile;
    b.FilePosition = UnknownFilePosition;
    return false;
  }
  ++db->ReferenceCount;
  MirrorCopy(db);
  MarkWriterOpen(b);
  return true;
}

// Reports the objects a last close finds still cached (a ReadData without its
// ReleaseObject).
void ReportObjectsLeftOpen(DatabaseFile* db, int leftOpen) {
  if (leftOpen <= 0) return;
  char message[DiagnosticBufferSize];
  snprintf(message, sizeof message, "%d%s%.*s", leftOpen, LeftOpenMessage, MaxPathLength, db->Path);
  ReportDiagnostic(DiagnosticSource, message);
}

}  // namespace

DatabaseFile* LookUpDatabase(int handle) {
  DatabaseFile** table = g_table;
  if (!table || handle < 0 || handle >= MaxOpenDatabases) return nullptr;
  return table[handle];
}

bool EnsureDatabaseTable() {
  if (!g_table) g_table = new (std::nothrow) DatabaseFile*[MaxOpenDatabases]();
  return g_table != nullptr;
}

int FindOpenDatabase(const char* path) {
  if (g_openCount == 0) return -1;
  for (int slot = 0; slot < MaxOpenDatabases; ++slot) {
    DatabaseFile* db = g_table[slot];
    if (db && !db->Blocks.Image && SameTextIgnoringCase(db->Path, path)) return slot;
  }
  return -1;
}

int ShareOpenDatabase(int slot, int mode) {
  DatabaseFile* db = g_table[slot];
  // Truncating a file under a live record would leave the record describing
  // blocks that are gone.
  if (mode == OpenCreate) return -1;
  if (db->Blocks.Mode == mode || db->Blocks.Mode != OpenReadOnly) {
    ++db->ReferenceCount;
    return slot;
  }
  return UpgradeToWriter(db) ? slot : -1;
}

int EnterNewRecord(FileManager& files, const char* path, DatabaseFile*& db) {
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
  db->Blocks.Files = &files;
  snprintf(db->Path, sizeof db->Path, "%s", path ? path : "");
  return slot;
}

bool OpenExistingFile(DatabaseFile* db, const char* path, int mode) {
  BlockFile& b = db->Blocks;
  FileManager& files = *b.Files;
  int file = files.FileOpen(path, mode);
  if (file < 0 && mode == OpenReadWrite) {
    files.FileMakeNormal(path);
    file = files.FileOpen(path, mode);
  }
  if (file < 0) return false;
  b.File = file;
  b.Mode = mode;
  db->ReferenceCount = 1;
  b.FilePosition = UnknownFilePosition;
  if (mode == OpenReadWrite) MirrorCopy(db);
  NoteFileStamp(&b);
  unsigned char unit[HeaderUnitSize];
  if (files.FileSeek(file, 0, 0) != 0 || files.FileRead(file, unit, HeaderUnitSize) != (int)HeaderUnitSize)
    return false;
  memcpy(b.Header, unit, HeaderUsedBytes);
  if (mode == OpenReadOnly) return true;
  // A writer refused for its free-block stream leaves the flag as it was.
  if (!db->FreeBlocks.Open()) return false;
  MarkWriterOpen(b);
  return true;
}

bool CreateDatabaseFile(DatabaseFile* db, const char* path, int mode, bool* created) {
  BlockFile& b = db->Blocks;
  FileManager& files = *b.Files;
  bool existed = files.FileExists(path) != 0;
  int file = files.FileOpen(path, OpenCreate);
  if (file < 0) {
    // A file made by the system but refused a handle slot goes again.
    if (!existed) files.FileDelete(path);
    return false;
  }
  *created = true;
  b.File = file;
  b.Mode = mode;
  db->ReferenceCount = 1;
  InitialiseDatabaseHeader(b.Header);
  unsigned char unit[HeaderUnitSize];
  memset(unit, 0, sizeof unit);
  memcpy(unit, b.Header, HeaderUsedBytes);
  if (files.FileWrite(file, unit, HeaderUnitSize) != (int)HeaderUnitSize) return false;
  b.FilePosition = HeaderUnitSize;
  files.FileFlush(file);
  return db->FreeBlocks.Create();
}

bool OpenImageFile(DatabaseFile* db, const unsigned char* bytes, size_t size) {
  BlockFile& b = db->Blocks;
  const int file = b.Files->FileOpenImage(bytes, size);
  if (file < 0) return false;
  b.File = file;
  b.Mode = OpenReadOnly;
  db->ReferenceCount = 1;
  b.Image = bytes;
  memcpy(b.Header, bytes, HeaderUsedBytes);
  SetFileBlocks(&b, (int64_t)size);
  b.Files->FileSeek(file, 0, HeaderUnitSize);
  b.FilePosition = HeaderUnitSize;
  return true;
}

bool PlaceAtFirstBlock(DatabaseFile* db) {
  BlockFile& b = db->Blocks;
  if (b.Files->FileSeek(b.File, 0, HeaderUnitSize) != 0) return false;
  b.FilePosition = HeaderUnitSize;
  return true;
}

void DiscardFailedOpen(int slot, bool created) {
  DatabaseFile* db = g_table[slot];
  BlockFile& b = db->Blocks;
  if (b.File != NoFile) b.Files->FileClose(b.File);
  if (created) b.Files->FileDelete(db->Path);
  delete db;
  ReleaseSlot(slot);
}

int CloseDatabaseRecord(int slot) {
  DatabaseFile* db = LookUpDatabase(slot);
  if (!db) return -1;
  if (--db->ReferenceCount > 0) return 0;
  {
    RecursiveLockHolder hold(db->Lock);
    BlockFile& b = db->Blocks;
    db->FreeBlocks.Close();
    ReportObjectsLeftOpen(db, DropAllObjects(db->Tree.Objects));
    if (b.File != NoFile) {
      if (b.Mode != OpenReadOnly) {
        b.SetHeaderField(HeaderWriterOpenOffset, 0);
        WriteHeader(b);
      }
      b.Files->FileClose(b.File);
      b.File = NoFile;
      if (b.Mode != OpenReadOnly) RemoveMirror(*b.Files, db->Path);
    }
  }
  delete db;
  ReleaseSlot(slot);
  return 0;
}
