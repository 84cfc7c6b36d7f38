#include "journal/record_prefetch.h"

#include "support/files/filesys.h"
#include "support/files/posix/os_file.h"
#include "support/messages/debug.h"
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
  // The thread's last batch before the caller took the reading back.
  bool retired = false;
};

RecordPrefetch::RecordPrefetch(ZtJournal* s)
    : ZtJournal(),
      source(s),
      name(s->Name()),
      size(s->Size()),
      compressed(s->Compressed()),
      // Two seconds are long enough to time the caller's pace, and a short run
      // would not win back the thread's start.
      choice_(OsUsableProcessors() < 2 ? -1 : OsMonotonicNs() + ThreadChoice::kFirstPauseNs) {
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

void RecordPrefetch::FixPlan(int n) {
  fixedPlan_ = n;
  reading_ = Reading::kThread;
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
  if (Verbosity() >= 4 && readHere_)
    DebugPrintf(
        "Records read without the parsing thread: %lld (it was stopped %d times for not paying; "
        "last paces %.1f MB/s without it, %.1f MB/s with it)\n",
        static_cast<long long>(readHere_), choice_.Refusals(), choice_.CallerPace() / 1e6,
        choice_.ThreadPace() / 1e6);
  readHere_ = 0;  // told once
  finished = true;
}

void RecordPrefetch::StartThread() {
  // Answered from the records handed out from now on, the source being
  // the thread's.
  skipped = source->SkippedCount();
  bytesRead = source->BytesRead();
  retiring = false;
  reading_ = Reading::kThread;
  planCount_ = 0;
  source->SetReports(this);
  thread = OsStartThread([this] { Run(); }, [this] { OutOfMemory(); });
}

void RecordPrefetch::Measure() {
  if (reading_ != Reading::kThread) return;
  if (fixedPlan_ >= 0) {
    if (fixedPlan_ == 0 || planCount_ < fixedPlan_) return;
  } else if (choice_.OnThread(OsMonotonicNs(), bytesRead) != ThreadChoice::Step::kStopThread) {
    return;
  }
  // The thread ends its batch early, queues it as its last and stops.
  reading_ = Reading::kRetiring;
  {
    MutexLock lock(&mutex);
    retiring = true;
  }
  freed.SignalAll();
}

void RecordPrefetch::TakeReadingBack() {
  thread.join();
  source->SetReports(nullptr);
  reading_ = Reading::kCaller;
  planCount_ = 0;
}

bool RecordPrefetch::ReadHere(JournalRecord* rec, Error* e) {
  bool got = source->ReadRecord(rec, e);
  readHere_ += got;
  if (!got || e->Test()) {
    finished = true;
    return got;
  }
  ++planCount_;
  if (fixedPlan_ >= 0) {
    if (planCount_ >= fixedPlan_) StartThread();
    return true;
  }
  // The clock is read once in a while, not for every record.
  if (planCount_ % 64 == 0 &&
      choice_.OnCaller(OsMonotonicNs(), source->BytesRead()) == ThreadChoice::Step::kStartThread)
    StartThread();
  return true;
}

bool RecordPrefetch::ReadAhead(JournalRecord* rec, Error* e) {
  // ReadRecord reads on the caller's thread itself until the end.
  if (finished) return false;
  if (!thread.joinable()) StartThread();
  // Past a batch whose records were all handed out: its last warnings come
  // before anything of the next.
  while (!current || (next == current->count && !current->end)) {
    if (current) {
      ReportUpTo(current->reportCount);
      bool retired = current->retired;
      Recycle(current);
      current = nullptr;
      if (retired) {
        TakeReadingBack();
        return ReadHere(rec, e);
      }
    }
    current = TakeFilled();
    next = reported = 0;
    Measure();
  }
  if (next < current->count) {
    Slot& s = current->slots[next++];
    ReportUpTo(s.reportsBefore);
    rec->Swap(s.record.get());
    skipped = s.skipped;
    bytesRead = s.bytesRead;
    ++planCount_;
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
  bool wake;
  {
    MutexLock lock(&mutex);
    freeBatches.push_back(b);
    // The thread is woken to fill half the batches at once, not each.
    wake = threadWaits && (retiring || static_cast<int>(freeBatches.size()) >= kBatches / 2);
  }
  if (wake) freed.Signal();
}

RecordPrefetch::Batch* RecordPrefetch::TakeFree() {
  Batch* b;
  {
    MutexLock lock(&mutex);
    while (!stopping && (freeBatches.empty() ||
                         (threadWaits && !retiring &&
                          static_cast<int>(freeBatches.size()) < kBatches / 2))) {
      threadWaits = true;
      freed.Wait(&mutex);
    }
    threadWaits = false;
    if (stopping) return nullptr;
    b = freeBatches.back();
    freeBatches.pop_back();
  }
  b->count = b->reportCount = 0;
  b->bytes = 0;
  b->end = b->endWithRecord = b->retired = false;
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
    Batch* b = filling;
    // Once the caller takes the reading back, the batch is the last.
    b->retired = !b->end && retiring.load(std::memory_order_acquire);
    Queue(b);
    if (b->end || b->retired) return;
  }
}

bool RecordPrefetch::Fill() {
  while (filling->count < kBatchRecords && filling->bytes < kBatchBytes) {
    if (stopping.load(std::memory_order_relaxed)) return false;
    if (retiring.load(std::memory_order_relaxed)) break;
    if (readingRecord.Arena()->Size() > kKeepBytes) {
      readingRecord.Reset();
      readingRecord.Arena()->Release();
    }
    bool got = source->ReadRecord(&readingRecord, &readError);
    if (!filling) return false;  // stopped while warnings waited for a batch
    Batch* b = filling;
    if (got) {
      Slot& s = b->slots[b->count++];
      s.record->Swap(&readingRecord);
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
