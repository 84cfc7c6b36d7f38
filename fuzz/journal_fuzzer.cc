// Fuzzes the checkpoint reader: arbitrary bytes go through ZtJournal in
// read chunks of a size taken from the first input byte. Every record that
// comes back is written in standard format and read again; the second
// reading must give the same fields and skip nothing.
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "journal/journal_record.h"
#include "journal/zt_journal.h"

namespace {

// Reads every record of the bytes; returns their fields and the skip count.
int ReadAll(const uint8_t* data, size_t size, int chunk,
            std::vector<std::vector<std::string>>* records, std::string* formatted) {
  FuzzFile file(data, size, chunk);
  ZtJournal reader(&file);
  JournalRecord rec;
  StrBuf line;
  Error e;
  while (reader.ReadRecord(&rec, &e)) {
    std::vector<std::string> fields;
    for (int i = 0; i < rec.Count(); ++i) fields.emplace_back(rec.Get(i)->Text(), rec.Get(i)->Length());
    records->push_back(std::move(fields));
    if (formatted) {
      rec.Format(&line);
      formatted->append(line.Text(), line.Length());
    }
    e.Clear();
  }
  return reader.SkippedCount();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 1) return 0;
  int chunk = 1 + data[0] % 64;
  if (data[0] & 0x80) chunk = 1 << 15;
  ++data;
  --size;

  std::vector<std::vector<std::string>> first;
  std::string formatted;
  ReadAll(data, size, chunk, &first, &formatted);

  std::vector<std::vector<std::string>> second;
  int skipped = ReadAll(reinterpret_cast<const uint8_t*>(formatted.data()), formatted.size(),
                        chunk, &second, nullptr);
  FUZZ_CHECK(skipped == 0);
  FUZZ_CHECK(first == second);
  return 0;
}
