// RecordPrefetch: reads the records of another reader ahead of its caller,
// on a thread of its own, so that parsing the checkpoint runs on one core
// while the caller works on the records on another.
//
// It is a reader itself: ReadRecord hands out the source's records in their
// order, and SkippedCount and BytesRead answer as the source answered just
// after reading the record handed out last. The warnings the source reports
// while reading are held with the records and reported through the message
// log on the caller's thread when the record after them is handed out, so
// the log reads exactly as if the caller had read the source itself. The
// source's end, or its failure, comes after every record before it.
//
// Records travel in batches of up to kBatchRecords records, kBatchBytes of
// field text or kBatchRecords warnings; kBatches batches go round between
// the two threads, so the memory held is bounded, and records are swapped
// with the caller's, never copied, so that once warm a record costs no
// allocation (a record's storage beyond kKeepBytes is given back, so that
// the records waiting in the batches hold at most 16 MiB between them). A
// long run of corrupt records sends its warnings ahead in batches of their
// own. The thread is woken when half the batches are free, not for each.
//
// The thread pays only when it makes the reading faster, which depends on
// the machine and on what else runs on it: ThreadChoice times the reading
// with and without it and keeps the faster. The caller reads the source on
// its own thread first; when the thread is tried and does not pay, it ends
// its batch and the caller reads on from the next record. A process
// allowed one processor never starts it. The records, counts and warnings
// are the same whichever thread read them.
//
// Stop and the destructor end it at
// the record it is reading (which ends at the next whole record or the end
// of the input, as it would for the caller) and wait for it, wherever the
// caller is in the input.
#ifndef ZT_JOURNAL_RECORD_PREFETCH_H_
#define ZT_JOURNAL_RECORD_PREFETCH_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "journal/thread_choice.h"
#include "journal/zt_journal.h"
#include "support/mutex.h"

class RecordPrefetch final : public ZtJournal, private ReaderReports {
 public:
  static const int kBatches = 4;
  static const int kBatchRecords = 1024;
  static const uint32_t kBatchBytes = 1u << 20;
  static const uint32_t kKeepBytes = 16u << 10;
  // Reads ahead from source (not owned), which nothing else may use until
  // Stop. Its name, size and compression are taken now.
  explicit RecordPrefetch(ZtJournal* source);
  // Stops.
  ~RecordPrefetch() override;
  RecordPrefetch(const RecordPrefetch&) = delete;
  RecordPrefetch& operator=(const RecordPrefetch&) = delete;

  bool ReadRecord(JournalRecord* rec, Error* e) override {
    // Reading on the caller's thread costs a call, no more.
    if (reading_ == Reading::kCaller && !finished) return ReadHere(rec, e);
    return ReadAhead(rec, e);
  }
  const StrPtr& Name() const override { return name; }
  // While the caller reads the source itself, the source answers.
  int SkippedCount() const override {
    return reading_ == Reading::kCaller ? source->SkippedCount() : skipped;
  }
  int64_t Size() override { return size; }
  int64_t BytesRead() const override {
    return reading_ == Reading::kCaller ? source->BytesRead() : bytesRead;
  }
  bool Compressed() const override { return compressed; }

  // True when an input of these FileSys::Stat flags may be read ahead: not
  // a pipe or a device, which may block for good with the thread stuck in
  // it, beyond stopping.
  static bool MayReadAhead(int statFlags);

  // Before the first read, for tests: instead of measuring, hand over
  // between the thread and the caller's own reading every n records (n > 0),
  // or keep the thread whatever it measures (n == 0).
  void FixPlan(int n);

  // Ends the thread and waits for it; records read ahead and their warnings
  // are dropped, the source reports to the message log again, and reads
  // return false from now on. At the debug verbosity, tells how many records
  // the caller's own thread read.
  void Stop();

 private:
  struct Slot {
    std::unique_ptr<JournalRecord> record;
    int skipped = 0;        // the source's SkippedCount after the record
    int64_t bytesRead = 0;  // the source's BytesRead after the record
    int reportsBefore = 0;  // the batch's warnings to report before it
  };
  struct Batch;
  // Who reads the source: the thread (or, retiring, it and then the
  // caller) or the caller.
  enum class Reading { kThread, kRetiring, kCaller };

  // The thread: fills free batches and queues them until the source ends,
  // or until the caller takes the reading back.
  void Run();
  // Reads records into the batch being filled until it is full, the source
  // ends or the caller takes the reading back; false when stopped.
  bool Fill();
  // Keeps a warning of the source in the batch being filled; a batch full
  // of warnings goes ahead, in the middle of a long run of corrupt records.
  void Report(const Error& e) override;
  // Thread side: a free batch, emptied, waiting for it; null once stopping.
  Batch* TakeFree();
  // Thread side: queues a filled batch.
  void Queue(Batch* b);
  // Thread side, when it ran out of memory: queues the batch being filled
  // and wakes the caller.
  void OutOfMemory();
  // The next filled batch, waiting for it; throws the thread's failure on
  // when it ran out of memory with nothing more queued.
  Batch* TakeFilled();
  // Gives a batch whose records were all handed out back to the thread.
  void Recycle(Batch* b);
  // Reports the current batch's warnings before number upTo.
  void ReportUpTo(int upTo);
  // Hands over the source's end: its warnings, counts and failure.
  void Finish(Error* e);

  // The caller's side of the choice between the threads.
  // Starts the thread.
  void StartThread();
  // After a batch was taken: asks the thread to stop when it does not pay.
  void Measure();
  // The thread has stopped after its last batch: reading goes on here.
  void TakeReadingBack();
  // ReadRecord on the caller's thread, starting the thread again when due.
  bool ReadHere(JournalRecord* rec, Error* e);
  // ReadRecord otherwise: from the batches, or the end.
  bool ReadAhead(JournalRecord* rec, Error* e);

  ZtJournal* source;  // not owned
  StrBuf name;
  int64_t size;
  bool compressed;

  // The caller's side.
  int skipped = 0;
  int64_t bytesRead = 0;
  Batch* current = nullptr;  // the batch records are handed out from
  int next = 0;              // its next record
  int reported = 0;          // its warnings reported so far
  bool finished = false;     // the end was handed out, or Stop was called
  Reading reading_ = Reading::kCaller;
  int fixedPlan_ = -1;        // FixPlan's n, or -1 to measure
  int64_t planCount_ = 0;     // records handed out since the last hand-over
  ThreadChoice choice_;
  int64_t readHere_ = 0;      // records the caller read itself

  // Between the two threads. A batch belongs to the thread from TakeFree to
  // Queue and to the caller from TakeFilled to Recycle; only the lists of
  // batches on their way are shared.
  std::vector<std::unique_ptr<Batch>> batches;
  Mutex mutex;
  CondVar freed;   // half the batches are free, or stop
  CondVar filled;  // a batch was queued
  std::vector<Batch*> freeBatches GUARDED_BY(mutex);
  Batch* queue[kBatches] GUARDED_BY(mutex) = {};  // filled batches in order, a ring
  int queueHead GUARDED_BY(mutex) = 0;
  int queueCount GUARDED_BY(mutex) = 0;
  // The thread ran out of memory: thrown on to the caller after the
  // batches queued before it.
  bool outOfMemory GUARDED_BY(mutex) = false;
  bool threadWaits GUARDED_BY(mutex) = false;  // in TakeFree, for free batches
  std::atomic<bool> stopping{false};
  std::atomic<bool> retiring{false};  // the caller takes the reading back

  // The thread's side.
  Batch* filling = nullptr;  // null once stopping
  JournalRecord readingRecord;  // swapped into a slot once read whole
  Error readError;
  std::thread thread;
};

#endif  // ZT_JOURNAL_RECORD_PREFETCH_H_
