#include "migrate/rename/rename_setup.h"

#include <memory>
#include <random>

#include "journal/journal_record.h"
#include "map/view_map.h"
#include "migrate/rename/archive_renamer.h"
#include "migrate/rename/rename_messages.h"
#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"
#include "support/text/printable.h"

namespace {

// dir + "/" + name, or name alone when dir is empty.
void InDir(const StrPtr& dir, const StrPtr& name, StrBuf* out) {
  out->Clear();
  if (!dir.IsEmpty()) {
    out->Append(dir);
    if (dir[dir.Length() - 1] != '/') out->AppendChar('/');
  }
  out->Append(name);
}

// 32 random lower-case hexadecimal digits, the first a letter so that the
// name always has an upper-case form.
void RandomDigits(StrBuf* out) {
  static const char kHex[] = "0123456789abcdef";
  std::random_device rd;
  out->Clear();
  out->AppendChar(static_cast<char>('a' + rd() % 6));
  for (int i = 1; i < 32; ++i) out->AppendChar(kHex[rd() % 16]);
}

// One probe with the given digits: 1 case-sensitive, 0 not, -1 when the
// lower-case name was already taken (nothing was touched).
int ProbeWith(const StrPtr& dir, const StrPtr& digits) {
  StrBuf lowerName, upperDigits, upperDir, upperFile;
  InDir(dir, digits, &lowerName);
  upperDigits.Set(digits);
  upperDigits.UpperAscii();
  InDir(dir, upperDigits, &upperDir);
  InDir(upperDir, StrPtr("o"), &upperFile);

  std::unique_ptr<FileSys> a = FileSys::Create(kFileBinary | kFileExclusive);
  std::unique_ptr<FileSys> b = FileSys::Create(kFileBinary | kFileExclusive);
  if (!a || !b) return 0;
  a->SetPath(lowerName);
  a->SetPerms(kPermReadWrite);
  b->SetPath(upperFile);
  b->SetPerms(kPermReadWrite);
  if (!dir.IsEmpty()) b->SetStopDir(dir);

  // Never truncate or remove a file the probe did not create.
  if (a->Stat() & (kStatExists | kStatSymlink)) return -1;
  Error e;
  a->Open(kOpenWrite, &e);
  if (e.GetSeverity() > E_INFO) return a->Stat() & kStatExists ? -1 : 0;
  a->Close(&e);

  // On a file system that ignores case the upper-case name is the file just
  // made; on one that does not, it is new unless something else holds it.
  std::unique_ptr<FileSys> probeDir = FileSys::Create(kFileBinary);
  probeDir->SetPath(upperDir);
  const bool upperExisted = (probeDir->Stat() & (kStatExists | kStatSymlink)) != 0;

  if (e.GetSeverity() <= E_INFO) b->MkDir(upperFile, &e);
  if (e.GetSeverity() <= E_INFO) b->Open(kOpenWrite, &e);

  Error ignored;
  if (e.GetSeverity() > E_INFO) {
    b->Close(&ignored);
    // Remove the directory the probe made, if it made one.
    if (!upperExisted && (probeDir->Stat() & kStatDirectory)) b->RmDir(upperFile, &ignored);
    a->Unlink(&ignored);
    return 0;
  }
  b->Close(&ignored);
  b->Unlink(&ignored);
  if (!upperExisted) b->RmDir(upperFile, &ignored);
  a->Unlink(&ignored);
  return 1;
}

}  // namespace

bool ProbeCaseSensitive(const StrPtr& dir, const StrPtr& digits) {
  if (!digits.IsEmpty()) return ProbeWith(dir, digits) == 1;
  StrBuf name;
  for (int attempt = 0; attempt < 5; ++attempt) {
    RandomDigits(&name);
    int r = ProbeWith(dir, name);
    if (r >= 0) return r == 1;
  }
  return false;
}

void OnConfigRecord(const JournalRecord& record, bool readsConfig, StrBuf* serverId,
                    StrBuf* serverRoot, Error* e) {
  if (!readsConfig) return;
  const StrPtr* serverName = record.GetField(StrPtr("serverName"), e);
  if (!serverName) return;
  const StrPtr* name = record.GetField(StrPtr("name"), e);
  if (!name) return;
  const StrPtr* value = record.GetField(StrPtr("value"), e);
  if (!value) return;

  if (name->Equal(StrPtr("configurationVersion")) && serverId->IsEmpty()) {
    serverId->Set(*serverName);
    DebugPrintf("Autodetected serverId is %s\n", serverId->Text());
  }
  if (name->Equal(StrPtr("server.depot.root")) && serverRoot->IsEmpty() &&
      (serverName->Equal(*serverId) || serverName->Equal(StrPtr("all")))) {
    serverRoot->Set(*value);
    DebugPrintf("using server.depot.root: %s\n", serverRoot->Text());
  }
}

bool OpenArchiveRoot(const StrPtr& serverRoot, ArchiveRenamer* renamer, Error* e) {
  // A root that exists but cannot be opened as a directory (a file, no
  // permission) is as unusable as a missing one, and is reported the same
  // way.
  if (!serverRoot.IsEmpty()) {
    ArchiveLocations* locations = renamer->Locations();
    locations->SetRoot(serverRoot);
    renamer->ResetCache();
    if (locations->Open(0) == 0) return true;
  }
  StrBuf rootName(serverRoot);
  DebugPrintf("could not open Archive root directory %s\n", Printable(rootName).c_str());
  e->Set(kMsgMissingFile) << Printable(rootName).Text();
  return false;
}

void AddDepot(const StrPtr& name, const StrPtr& map, ViewMap* depotMap, Error* e) {
  (void)e;
  StrBuf left;
  left.Append("//");
  left.Append(name);
  left.Append("/...");
  depotMap->Insert(left, map, IncludeMapping);
}
