#include "journal/record_prefetch.h"

#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/message_log.h"
#include "support/out_of_memory.h"

// A batch of records read ahead, with the source's warnings among them and,
// in the last batch, the source's end.
struct RecordPrefetch::Batch {
  Batch() : slots(kBatchRecords) {
    for (Slot& s : slots) s.record = std::make_unique<JournalRecord>();
  }
  std::vector<Slot> slots;
  int count = 0;
  uint32_t bytes = 0;  // field text of the records
  // The warnings reported while the batch was read; errors are reused.
  std::vector<std::unique_ptr<Error>> reports;
  int reportCount = 0;
  // The source ended (or failed) after the batch's records; with a
  // record when it failed in the same read that gave its last record.
  bool end = false;
  bool endWithRecord = false;
  int endSkipped = 0;
  int64_t endBytes = 0;
  Error error;  // the source's failure, if any
};

RecordPrefetch::RecordPrefetch(ZtJournal* s)
    : ZtJournal(),
      source(s),
      name(s->Name()),
      size(s->Size()),
      compressed(s->Compressed()) {
  MutexLock lock(&mutex);
  for (int i = 0; i < kBatches; ++i) {
    batches.push_back(std::make_unique<Batch>());
    freeBatches.push_back(batches.back().get());
  }
}

RecordPrefetch::~RecordPrefetch() { Stop(); }

bool RecordPrefetch::MayReadAhead(int statFlags) {
  return !(statFlags & kStatSpecial) || (statFlags & kStatDirectory);
}

void RecordPrefetch::Stop() {
  {
    MutexLock lock(&mutex);
    stopping = true;
  }
  freed.SignalAll();
  if (thread.joinable()) {
    thread.join();
    source->SetReports(nullptr);
  }
  finished = true;
}

bool RecordPrefetch::ReadRecord(JournalRecord* rec, Error* e) {
  if (finished) return false;
  if (!thread.joinable()) {
    source->SetReports(this);
    thread = OsStartThread([this] { Run(); }, [this] { OutOfMemory(); });
  }
  // Past a batch whose records were all handed out: its last warnings come
  // before anything of the next.
  while (!current || (next == current->count && !current->end)) {
    if (current) {
      ReportUpTo(current->reportCount);
      Recycle(current);
    }
    current = TakeFilled();
    next = reported = 0;
  }
  if (next < current->count) {
    Slot& s = current->slots[next++];
    ReportUpTo(s.reportsBefore);
    rec->Swap(s.record.get());
    skipped = s.skipped;
    bytesRead = s.bytesRead;
    if (next == current->count && current->endWithRecord) Finish(e);
    return true;
  }
  Finish(e);
  return false;
}

void RecordPrefetch::Finish(Error* e) {
  ReportUpTo(current->reportCount);
  skipped = current->endSkipped;
  bytesRead = current->endBytes;
  e->Merge(current->error);
  finished = true;
}

void RecordPrefetch::ReportUpTo(int upTo) {
  for (; reported < upTo; ++reported) GetMessageLog()->Report(current->reports[reported].get());
}

RecordPrefetch::Batch* RecordPrefetch::TakeFilled() {
  MutexLock lock(&mutex);
  while (queueCount == 0 && !outOfMemory) filled.Wait(&mutex);
  if (queueCount == 0) ThrowOutOfMemory();
  Batch* b = queue[queueHead];
  queueHead = (queueHead + 1) % kBatches;
  --queueCount;
  return b;
}

void RecordPrefetch::OutOfMemory() {
  // The records read whole before it (and their warnings) go first, as
  // they would have reached a caller reading the source itself.
  if (filling && (filling->count > 0 || filling->reportCount > 0)) Queue(filling);
  filling = nullptr;
  {
    MutexLock lock(&mutex);
    outOfMemory = true;
  }
  filled.SignalAll();
}

void RecordPrefetch::Recycle(Batch* b) {
  {
    MutexLock lock(&mutex);
    freeBatches.push_back(b);
  }
  freed.Signal();
}

RecordPrefetch::Batch* RecordPrefetch::TakeFree() {
  Batch* b;
  {
    MutexLock lock(&mutex);
    while (!stopping && freeBatches.empty()) freed.Wait(&mutex);
    if (stopping) return nullptr;
    b = freeBatches.back();
    freeBatches.pop_back();
  }
  b->count = b->reportCount = 0;
  b->bytes = 0;
  b->end = b->endWithRecord = false;
  b->error.Clear();
  return b;
}

void RecordPrefetch::Queue(Batch* b) {
  {
    MutexLock lock(&mutex);
    queue[(queueHead + queueCount) % kBatches] = b;
    ++queueCount;
  }
  filled.Signal();
}

void RecordPrefetch::Run() {
  while ((filling = TakeFree()) != nullptr) {
    if (!Fill()) return;
    bool end = filling->end;
    Queue(filling);
    if (end) return;
  }
}

bool RecordPrefetch::Fill() {
  while (filling->count < kBatchRecords && filling->bytes < kBatchBytes) {
    if (stopping.load(std::memory_order_relaxed)) return false;
    if (reading.Arena()->Size() > kKeepBytes) {
      reading.Reset();
      reading.Arena()->Release();
    }
    bool got = source->ReadRecord(&reading, &readError);
    if (!filling) return false;  // stopped while warnings waited for a batch
    Batch* b = filling;
    if (got) {
      Slot& s = b->slots[b->count++];
      s.record->Swap(&reading);
      s.skipped = source->SkippedCount();
      s.bytesRead = source->BytesRead();
      s.reportsBefore = b->reportCount;
      b->bytes += s.record->Arena()->Length();
    }
    if (!got || readError.GetSeverity() != E_EMPTY) {
      b->end = true;
      b->endWithRecord = got;
      b->endSkipped = source->SkippedCount();
      b->endBytes = source->BytesRead();
      b->error.Merge(readError);
      break;
    }
  }
  return true;
}

void RecordPrefetch::Report(const Error& e) {
  if (filling && filling->reportCount == kBatchRecords) {
    Queue(filling);
    filling = TakeFree();
  }
  if (!filling) return;  // stopping: nobody will read it
  Batch* b = filling;
  if (b->reportCount == static_cast<int>(b->reports.size()))
    b->reports.push_back(std::make_unique<Error>());
  Error* kept = b->reports[b->reportCount++].get();
  kept->Clear();
  kept->Merge(e);
}
