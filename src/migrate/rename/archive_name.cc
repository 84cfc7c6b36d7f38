// Archive names of revision records.
#include "migrate/rename/archive_name.h"

#include "journal/journal_record.h"

bool RevisionHasArchive(int action, int type) {
  switch (action & 0xFF) {
    case 2: case 6: case 7: case 9:
      return false;
    default:
      break;
  }
  const int low = type & 0xF;
  return !(low == 4 || low == 6 || low == 8 || (type & 0x80));
}

bool ArchiveName(const StrPtr& mapped, const StrPtr& lbrType, const StrPtr& lbrRev,
                 StrBuf* wanted, bool* twoComponent) {
  *twoComponent = false;
  wanted->Set(mapped);
  switch (ParseDecimal(lbrType) & 0xF) {
    case 0:
      wanted->Append(",v");
      return true;
    case 1:
      wanted->Append(",d/");
      wanted->Append(lbrRev);
      *twoComponent = true;
      return true;
    case 3:
      wanted->Append(",d/");
      wanted->Append(lbrRev);
      wanted->Append(".gz");
      *twoComponent = true;
      return true;
    case 4:
      wanted->Append(",t");
      return true;
    case 6:
      wanted->Append(".gz");
      return true;
    default:
      return false;
  }
}
