// CharSetCvt: converters of text between character sets, used by the
// Unicode file kinds. A converter is stateful (byte order, a pending
// byte-order mark, line and character counts) and converts as much as fits,
// leaving both cursors after the last whole character moved.
//
// The plain CharSetCvt copies bytes. CharSetCvtUTF168 turns UTF-16 into
// UTF-8, CharSetCvtUTF816 UTF-8 into UTF-16 (each is the other's reverse),
// and CharSetCvtUTF8UTF8 copies UTF-8, dropping a leading byte-order mark on
// input (optionally validating) and writing one on output when asked.
// The buffers returned by ConvertFast belong to the converter; the one
// returned by ConvertBuffer belongs to the caller.
#ifndef ZT_SUPPORT_TEXT_CHARSET_CVT_H_
#define ZT_SUPPORT_TEXT_CHARSET_CVT_H_

#include <memory>

#include "support/text/charset.h"
#include "support/text/charset_valid.h"

class CharSetCvt {
 public:
  // Last-error values.
  enum { NONE = 0, NOMAPPING = 1, PARTIALCHAR = 2 };

  CharSetCvt() : lastErr(NONE), lineCnt(1), charCnt(0), outSize(0) {}
  virtual ~CharSetCvt() {}
  CharSetCvt(const CharSetCvt&) = delete;
  CharSetCvt& operator=(const CharSetCvt&) = delete;

  // A new converter of the same kind and settings.
  virtual std::unique_ptr<CharSetCvt> Clone() const;
  // A new converter for the opposite direction.
  virtual std::unique_ptr<CharSetCvt> Reverse() const;
  // Converts from [*ss, se) into [*ts, te), advancing both cursors; returns
  // and records the last error (NONE when all input was converted).
  virtual int Convert(const char** ss, const char* se, char** ts, char* te);
  virtual int LastError() const { return lastErr; }
  virtual void ResetError() { lastErr = NONE; }
  // Converts a whole input into a new caller-owned buffer ending in two NUL
  // bytes; *retlen gets the converted length. Null on failure.
  virtual std::unique_ptr<char[]> ConvertBuffer(const char* s, int len, int* retlen);
  // As ConvertBuffer into the converter's own buffer.
  virtual const char* ConvertFast(const char* s, int len, int* retlen);
  // As ConvertFast, writing "?" for each character that does not convert.
  virtual const char* ConvertFastSubstituting(const char* s, int len, int* retlen);
  // Resets the line and character counts and the byte-order state.
  virtual void ResetCount() { lineCnt = 1; charCnt = 0; }
  // A stepper over the input encoding.
  virtual std::unique_ptr<CharStep> InputStep(const char* p) const;

  int LineCount() const { return lineCnt; }
  int CharCount() const { return charCnt; }

 protected:
  // Counts one converted character (a line feed starts a new line).
  void Count(unsigned cp) {
    if (cp == '\n') { ++lineCnt; charCnt = 0; } else { ++charCnt; }
  }
  int Fail(int err) { lastErr = err; return err; }

  int lastErr;
  int lineCnt;
  int charCnt;

 private:
  const char* ConvertInto(const char* s, int len, int* retlen, bool substitute);

  std::unique_ptr<char[]> outBuf;
  int outSize;
};

// Byte orders of the UTF-16 converters.
enum { kLittleEndian = 1, kBigEndian = 2 };

class CharSetCvtFromUTF8 : public CharSetCvt {
 public:
  std::unique_ptr<CharStep> InputStep(const char* p) const override;
};

// Common state of the UTF-16 converters.
class CharSetCvtUTF16 : public CharSetCvtFromUTF8 {
 public:
  // byteOrder -1 means little-endian; writeBom: output starts with a mark.
  CharSetCvtUTF16(int byteOrder, bool writeBom)
      : bomPending(true),
        initialOrder(byteOrder == kBigEndian ? kBigEndian : kLittleEndian),
        order(initialOrder),
        writeBom(writeBom) {}
  void ResetCount() override {
    CharSetCvt::ResetCount();
    bomPending = true;
    order = initialOrder;
  }

 protected:
  bool bomPending;
  int initialOrder;
  int order;
  bool writeBom;
};

// UTF-16 to UTF-8.
class CharSetCvtUTF168 : public CharSetCvtUTF16 {
 public:
  explicit CharSetCvtUTF168(int byteOrder = -1, bool writeBom = false)
      : CharSetCvtUTF16(byteOrder, writeBom) {}
  std::unique_ptr<CharSetCvt> Clone() const override;
  std::unique_ptr<CharSetCvt> Reverse() const override;
  int Convert(const char** ss, const char* se, char** ts, char* te) override;
  std::unique_ptr<CharStep> InputStep(const char* p) const override;
};

// UTF-8 to UTF-16.
class CharSetCvtUTF816 : public CharSetCvtUTF16 {
 public:
  explicit CharSetCvtUTF816(int byteOrder = -1, bool writeBom = false)
      : CharSetCvtUTF16(byteOrder, writeBom), bomWritten(false) {}
  std::unique_ptr<CharSetCvt> Clone() const override;
  std::unique_ptr<CharSetCvt> Reverse() const override;
  int Convert(const char** ss, const char* se, char** ts, char* te) override;
  void ResetCount() override {
    CharSetCvtUTF16::ResetCount();
    bomWritten = false;
  }

 private:
  bool bomWritten;
};

// UTF-8 to UTF-8.
class CharSetCvtUTF8UTF8 : public CharSetCvtFromUTF8 {
 public:
  // Flags.
  static const int kValidate = 1;  // input: reject malformed UTF-8
  static const int kWriteBom = 2;  // output: start with a byte-order mark
  // direction 1: reading (a leading mark is dropped); -1: writing.
  CharSetCvtUTF8UTF8(int direction, int flags)
      : direction(direction), flags(flags), bomPending(true) {}
  std::unique_ptr<CharSetCvt> Clone() const override;
  std::unique_ptr<CharSetCvt> Reverse() const override;
  int Convert(const char** ss, const char* se, char** ts, char* te) override;
  void ResetCount() override {
    CharSetCvt::ResetCount();
    bomPending = true;
    validator.Reset();
  }

 private:
  int direction;
  int flags;
  bool bomPending;
  CharSetUTF8Valid validator;
};

#endif  // ZT_SUPPORT_TEXT_CHARSET_CVT_H_
