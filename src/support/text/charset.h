// Character sets: the table of character set identifiers, the steppers
// that advance over one character of a multibyte text without cutting it,
// and the system's text for an error number.
//
// A charsetId indexes the table of 38 names ("none", "utf8", ...). This
// program never sets one, so the process-wide id stays 0 and paths are
// stepped byte by byte; the converters (charset_cvt.h) serve the Unicode
// file kinds.
#ifndef ZT_SUPPORT_TEXT_CHARSET_H_
#define ZT_SUPPORT_TEXT_CHARSET_H_

#include <memory>

#include "support/text/strbuf.h"

enum CharSetId {
  CS_NONE = 0,
  CS_UTF8 = 1,
  CS_ISO8859_1 = 2,
  CS_UTF16_NOBOM = 3,
  CS_SHIFTJIS = 4,
  CS_EUCJP = 5,
  CS_UTF16LE = 13,
  CS_UTF16BE = 14,
  CS_UTF16LE_BOM = 15,
  CS_UTF16BE_BOM = 16,
  CS_UTF16 = 17,
  CS_UTF8_BOM = 18,
  CS_UTF8UNCHECKED_BOM = 26,
  CS_CP949 = 27,
  CS_LAST = 37
};

class CharSetApi {
 public:
  // The name of an id ("none" .. "iso8859-2"); null when out of range.
  static const char* Name(int id);
  // The id of a name; -1 when unknown.
  static int Lookup(const char* name);
  // True for the Unicode sets (1, 3 and 13 to 26).
  static bool IsUnicode(int id);

  // The process-wide id, and the calling thread's override (-1 none).
  static int Current();
  static void SetProcess(int id);
  static void SetThread(int id);
};

// A cursor stepping over one character of a NUL-terminated text. The plain
// stepper advances one byte; the variants know their multibyte leads.
class CharStep {
 public:
  explicit CharStep(const char* p) : ptr(p) {}
  virtual ~CharStep() {}
  // Advances past the current character; returns the new cursor.
  virtual const char* Next() { return ++ptr; }
  const char* Ptr() const { return ptr; }

  // A stepper for the character set (plain for sets it does not know).
  static std::unique_ptr<CharStep> Create(const char* p, int charsetId);

 protected:
  const char* ptr;
};

class CharStepUTF8 : public CharStep {
 public:
  explicit CharStepUTF8(const char* p) : CharStep(p) {}
  const char* Next() override;
};

class CharStepShiftJis : public CharStep {
 public:
  explicit CharStepShiftJis(const char* p) : CharStep(p) {}
  const char* Next() override;
};

class CharStepEUCJP : public CharStep {
 public:
  explicit CharStepEUCJP(const char* p) : CharStep(p) {}
  const char* Next() override;
};

class CharStepCP949 : public CharStep {
 public:
  explicit CharStepCP949(const char* p) : CharStep(p) {}
  const char* Next() override;
};

// Replaces out with the system's text for an error number. The C library's
// "too many open files" is reported as such even when err is 0.
void SysErrorText(int err, StrBuf* out);

#endif  // ZT_SUPPORT_TEXT_CHARSET_H_
