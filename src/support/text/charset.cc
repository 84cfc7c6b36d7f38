#include "support/text/charset.h"

#include <errno.h>
#include <string.h>

#include <atomic>

static const char* const kCharSetNames[CS_LAST + 1] = {
    "none",         "utf8",        "iso8859-1",   "utf16-nobom", "shiftjis",
    "eucjp",        "winansi",     "winoem",      "macosroman",  "iso8859-15",
    "iso8859-5",    "koi8-r",      "cp1251",      "utf16le",     "utf16be",
    "utf16le-bom",  "utf16be-bom", "utf16",       "utf8-bom",    "utf32-nobom",
    "utf32le",      "utf32be",     "utf32le-bom", "utf32be-bom", "utf32",
    "utf8unchecked", "utf8unchecked-bom", "cp949", "cp936",      "cp950",
    "cp850",        "cp858",       "cp1253",      "cp737",       "iso8859-7",
    "cp1250",       "cp852",       "iso8859-2"};

static std::atomic<int> processCharSet{CS_NONE};
static thread_local int threadCharSet = -1;

const char* CharSetApi::Name(int id) {
  return id >= 0 && id <= CS_LAST ? kCharSetNames[id] : nullptr;
}

int CharSetApi::Lookup(const char* name) {
  for (int i = 0; i <= CS_LAST; ++i)
    if (strcmp(kCharSetNames[i], name) == 0) return i;
  return -1;
}

bool CharSetApi::IsUnicode(int id) {
  return id == CS_UTF8 || id == CS_UTF16_NOBOM || (id >= CS_UTF16LE && id <= CS_UTF8UNCHECKED_BOM);
}

int CharSetApi::Current() { return threadCharSet >= 0 ? threadCharSet : processCharSet.load(); }
void CharSetApi::SetProcess(int id) { processCharSet = id; }
void CharSetApi::SetThread(int id) { threadCharSet = id; }

std::unique_ptr<CharStep> CharStep::Create(const char* p, int charsetId) {
  switch (charsetId) {
    case CS_UTF8: return std::make_unique<CharStepUTF8>(p);
    case CS_SHIFTJIS: return std::make_unique<CharStepShiftJis>(p);
    case CS_EUCJP: return std::make_unique<CharStepEUCJP>(p);
    case CS_CP949: return std::make_unique<CharStepCP949>(p);
    default: return std::make_unique<CharStep>(p);
  }
}

const char* CharStepUTF8::Next() {
  unsigned char c = static_cast<unsigned char>(*ptr);
  int n = 1;
  if (c >= 0xC0 && c <= 0xDF) n = 2;
  else if (c >= 0xE0 && c <= 0xEF) n = 3;
  else if (c >= 0xF0 && c <= 0xF7) n = 4;
  else if (c >= 0xF8 && c <= 0xFB) n = 5;
  else if (c >= 0xFC && c <= 0xFD) n = 6;
  // Never step over the terminating NUL of a cut sequence.
  for (int i = 0; i < n; ++i) {
    if (i > 0 && *ptr == 0) break;
    ++ptr;
  }
  return ptr;
}

const char* CharStepShiftJis::Next() {
  unsigned char c = static_cast<unsigned char>(*ptr);
  if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) && ptr[1] != 0)
    ptr += 2;
  else
    ++ptr;
  return ptr;
}

const char* CharStepEUCJP::Next() {
  unsigned char c = static_cast<unsigned char>(*ptr);
  int extra = 0;
  if (c == 0x8E || (c >= 0xA1 && c <= 0xFE)) extra = 1;
  else if (c == 0x8F) extra = 2;
  ++ptr;
  for (int i = 0; i < extra && *ptr != 0; ++i) ++ptr;
  return ptr;
}

const char* CharStepCP949::Next() {
  unsigned char c = static_cast<unsigned char>(*ptr);
  if (c >= 0x81 && c <= 0xFD && c != 0xC9 && ptr[1] != 0)
    ptr += 2;
  else
    ++ptr;
  return ptr;
}

void SysErrorText(int err, StrBuf* out) {
  if (err == 0 && errno == EMFILE) err = EMFILE;
  char buf[256];
  buf[0] = 0;
  // The GNU strerror_r may return a static text instead of filling buf.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  const char* text = strerror_r(err, buf, sizeof(buf));
#else
  const char* text = strerror_r(err, buf, sizeof(buf)) == 0 ? buf : "Unknown error";
#endif
  out->Set(text ? text : "");
}
