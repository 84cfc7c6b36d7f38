// RunCounters: what one run counted, filled by the scan, the conflict map
// and the rename, and read by the summary and the verdict.
#ifndef ZT_MIGRATE_RUN_COUNTERS_H_
#define ZT_MIGRATE_RUN_COUNTERS_H_

#include <cstdint>

struct RunCounters {
  int64_t recordsRead = 0;           // data records read by the scan
  int64_t recordsWritten = 0;        // data records written to the outputs
  int64_t notesRead = 0;             // journal notes read by the scan
  int64_t notesWritten = 0;          // header and trailer notes written
  int32_t skippedRecords = 0;        // corrupt records the reader skipped
  int32_t minorInconsistencies = 0;  // names fixed to the spelling of their definition
  int32_t conflictsRemain = 0;       // set with the conflict map
  int64_t conflictLines = 0;         // conflict lines of the conflict map
  int32_t lostData = 0;              // archives the rename could not place
  int32_t archiveConflicts = 0;      // archives found in several cases
  int32_t renameCount = 0;           // archives renamed
  int32_t archivesUnsettled = 0;     // archives the rename left missing, in conflict or failed
  int32_t archivesMissing = 0;       // archives named by the checkpoint but found in no case
  int32_t archivesToMove = 0;        // archives a dry run would have moved
};

#endif  // ZT_MIGRATE_RUN_COUNTERS_H_
