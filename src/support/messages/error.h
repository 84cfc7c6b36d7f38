// MessageId and Error: how every failure in the program is recorded.
//
// A MessageId is a constant: a 32-bit code (severity in bits 28-31, number
// of variable places in 24-27, generic class in 16-23, unique number in
// 0-15) and a format text with named %variable% places. An Error is owned by
// the caller of an operation that can fail; the operation adds messages with
// Set and binds values to their places in order:
//
//   e->Set(kMsgOsFail) << "open for read" << path << errText;
//
// An Error holds at most 20 messages (a 21st replaces the 20th). Nothing is
// ever thrown.
#ifndef ZT_SUPPORT_MESSAGES_ERROR_H_
#define ZT_SUPPORT_MESSAGES_ERROR_H_

#include <cstdint>
#include <memory>
#include <utility>

#include "support/text/strbuf.h"

class StrDict;

enum ErrorSeverity {
  E_EMPTY = 0,  // nothing
  E_INFO = 1,   // information
  E_WARN = 2,   // warning
  E_FAILED = 3, // error
  E_FATAL = 4   // fatal error
};

struct MessageId {
  uint32_t code;
  const char* text;

  int Severity() const { return static_cast<int>(code >> 28); }
  int ArgCount() const { return static_cast<int>((code >> 24) & 0xF); }
  int Generic() const { return static_cast<int>((code >> 16) & 0xFF); }
  int UniqueCode() const { return static_cast<int>(code & 0xFFFF); }
};

// The severity name of the message log's header line ("error" for fatal).
const char* SeverityName(int severity);

class Error {
 public:
  static const int kMaxMessages = 20;

  Error();
  virtual ~Error();
  Error(const Error&) = delete;
  Error& operator=(const Error&) = delete;

  // Empties the error (lazily: the next Set discards the old messages).
  virtual void Clear() { severity_ = E_EMPTY; }
  // True when the severity is warning or worse.
  virtual bool Test() const { return severity_ > E_INFO; }

  // Adds a message; values are then bound to its places with <<.
  Error& Set(const MessageId& id);

  // Binds the next place of the newest message.
  Error& operator<<(const StrPtr& value);
  Error& operator<<(const char* value);
  Error& operator<<(const std::string& value);
  Error& operator<<(int value) { return BindInt(value); }
  Error& operator<<(unsigned value) { return BindInt(value); }
  Error& operator<<(long value) { return BindInt(value); }
  Error& operator<<(long long value) { return BindInt(value); }
  Error& operator<<(unsigned long value) { return BindInt(static_cast<int64_t>(value)); }
  Error& BindInt(int64_t value);

  int GetSeverity() const { return severity_; }
  int GetGeneric() const { return generic_; }
  bool IsInfo() const { return severity_ == E_INFO; }
  bool IsFatal() const { return severity_ >= E_FATAL; }
  // Number of messages held (0 when empty).
  int Count() const;
  // The i-th message held, 0 the oldest; null when out of range.
  const MessageId* MessageAt(int i) const;
  // True when a message with this code is held.
  bool Has(const MessageId& id) const;

  // Formats every message, newest first. Flags: 1 tab before each message,
  // 2 newline after the last too, 8 unique numbers.
  void FormatMessages(StrBuf* out, int flags = 0) const;
  // Formats only message number n (1 the oldest).
  void FormatMessages(int n, StrBuf* out, int flags = 0) const;
  // Convenience: the messages formatted with flags 0.
  std::string Text() const;

  // The variables bound to message i (0 the oldest); null when out of range.
  const StrDict* Vars(int i) const;

  // Adds other's messages (oldest first, codes and severities kept, texts
  // as formatted) after this error's own: hands the error of work done on
  // another thread to the caller's without losing what it already holds.
  void Merge(const Error& other);

 private:
  struct Detail;
  Error& Bind(const StrPtr& value);
  void FormatOne(int index, StrBuf* out, int flags) const;

  int severity_;
  int generic_;
  std::unique_ptr<Detail> detail_;
};

// One marker of a message format: a %name% place, a %'literal'% section or
// "%%".
struct FormatMarker {
  enum Kind { kNone, kPlace, kLiteral, kPercent };
  Kind kind = kNone;
  const char* begin = nullptr;  // its first '%'
  const char* end = nullptr;    // just past it
  StrPtr text;                  // the place's name or the literal's text
};
// The first marker in [p, end); kind kNone when none is left (a marker
// without its closing '%' is none).
FormatMarker NextMarker(const char* p, const char* end);

// Appends format to out with its markers expanded from the dictionary:
// %name% variables, "%%", %'literal'% sections and [optional|alt] sections.
void ExpandVariables(const StrPtr& format, const StrDict& dict, StrBuf* out);

#endif  // ZT_SUPPORT_MESSAGES_ERROR_H_
