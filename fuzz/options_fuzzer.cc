// Fuzzes the command options parser: the input is split into words at NUL
// bytes and parsed with the program's own flag string, or, when the first
// byte is odd, with one that uses every modifier. Every stored value must
// lie inside one of the words (or be the constant "true").
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "support/messages/options.h"

namespace {
constexpr MessageId kFuzzUsage = {0x30010400, "Usage: fuzz"};
const char kProgramFlags[] = "Rc:C:hjl:L:n:o:O:P:p:r:S:st:uv:V";
const char kEveryModifier[] = "a:b#c$d+e.fgh";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietMessageLog();
  if (size < 1 || size > 4096) return 0;
  const char* flags = (data[0] & 1) ? kEveryModifier : kProgramFlags;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text.push_back('\0');
  std::vector<char*> words;
  for (size_t at = 0; at < text.size(); at += strlen(&text[at]) + 1) words.push_back(&text[at]);
  words.push_back(nullptr);

  int argc = static_cast<int>(words.size()) - 1;
  char** argv = words.data();
  OptionSet opts;
  Error e;
  opts.Parse(&argc, &argv, flags, kOptAnyWords, kFuzzUsage, &e);
  FUZZ_CHECK(argc >= 0 && argv >= words.data() && argv <= words.data() + words.size() - 1);
  FUZZ_CHECK(opts.Count() <= OptionSet::kMaxOptions);

  const char* lo = text.data();
  const char* hi = text.data() + text.size();
  for (const char* f = flags; *f; ++f) {
    if (*f == ':' || *f == '#' || *f == '$' || *f == '+' || *f == '.') continue;
    for (int n = 0; n < 4; ++n) {
      for (int sub : {0, int('a'), int('x')}) {
        const StrPtr* v = opts.GetValue(*f, sub, n);
        if (!v) continue;
        bool inside = v->Text() >= lo && v->Text() + v->Length() <= hi;
        FUZZ_CHECK(inside || strcmp(v->Text(), "true") == 0);
      }
    }
  }
  return 0;
}
