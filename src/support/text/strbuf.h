// StrPtr and StrBuf: the byte strings every path, field, message and file
// name is held in.
//
// StrPtr is a non-owning view of bytes with a 32-bit length. StrBuf derives
// from it and owns a growable, NUL-terminated buffer. All empty strings share
// one static empty buffer, so an empty StrBuf costs no allocation.
//
// The comparison mode (StrCaseMode), given to each call, decides how
// Compare, CompareChar and EqualChar treat ASCII letters; this program runs
// in CaseFold, where A-Z compare without case and every other byte exactly.
#ifndef ZT_SUPPORT_TEXT_STRBUF_H_
#define ZT_SUPPORT_TEXT_STRBUF_H_

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Copies n bytes from `from` to `to` (which may be the same place) with
// every ASCII upper-case letter lowered; eight bytes at a time.
void LowerAsciiBytes(const char* from, char* to, uint32_t n);
// The number of leading bytes, at most n, in which a and b agree. Inline:
// the path tree compares names with it.
inline uint32_t CommonPrefixLength(const char* a, const char* b, uint32_t n) {
  uint32_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= 8) {
      auto differ = [&](uint32_t at) {
        uint64_t x, y;
        memcpy(&x, a + at, 8);
        memcpy(&y, b + at, 8);
        return x ^ y;
      };
      for (; i + 8 <= n; i += 8)
        if (uint64_t d = differ(i)) return i + static_cast<uint32_t>(std::countr_zero(d) / 8);
      if (i == n) return n;
      // The last eight bytes, overlapping some already found equal.
      uint64_t d = differ(n - 8);
      return d ? n - 8 + static_cast<uint32_t>(std::countr_zero(d) / 8) : n;
    }
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// How letters compare: exactly, A-Z without case, or ordered without case
// but equal only when exactly equal.
enum StrCaseMode { CaseExact = 0, CaseFold = 1, CaseFoldThenExact = 2 };

// The one shared empty buffer: a single NUL byte, never written or freed.
extern char strEmptyBuffer[1];

class StrPtr {
 public:
  StrPtr() : buffer_(strEmptyBuffer), length_(0) {}
  // A view of a NUL-terminated text (null counts as empty).
  StrPtr(const char* text)  // NOLINT: implicit by design, like a string view
      : buffer_(text ? const_cast<char*>(text) : strEmptyBuffer),
        length_(text ? static_cast<uint32_t>(strlen(text)) : 0) {}
  StrPtr(const char* bytes, uint32_t n)
      : buffer_(const_cast<char*>(bytes)), length_(n) {}

  const char* Text() const { return buffer_; }
  char* Value() const { return buffer_; }
  uint32_t Length() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }
  char operator[](uint32_t i) const { return buffer_[i]; }
  const char* End() const { return buffer_ + length_; }
  std::string_view View() const { return std::string_view(buffer_, length_); }
  std::string ToString() const { return std::string(buffer_, length_); }

  // Points the view at other bytes.
  void Set(const char* bytes, uint32_t n) { buffer_ = const_cast<char*>(bytes); length_ = n; }

  // Byte-exact equality of the two views.
  bool EqualExact(const StrPtr& o) const {
    return length_ == o.length_ && memcmp(buffer_, o.buffer_, length_) == 0;
  }
  // Equality in the case mode.
  bool Equal(const StrPtr& o, StrCaseMode mode = CaseFold) const;
  // Three-way comparison in the case mode (over the views).
  int Compare(const StrPtr& o, StrCaseMode mode = CaseFold) const;

  // True when the view ends with the n given bytes exactly.
  bool EndsWith(const char* bytes, uint32_t n) const;
  // Decimal value of the view's leading digits (atoi-like, optional sign).
  int64_t Atoi64() const;

 protected:
  char* buffer_;
  uint32_t length_;
};

class StrBuf : public StrPtr {
 public:
  StrBuf() : size_(0) {}
  StrBuf(const StrPtr& s) : size_(0) { Append(s); }  // NOLINT
  StrBuf(const char* s) : size_(0) { Append(s); }    // NOLINT
  StrBuf(const StrBuf& s) : StrPtr(), size_(0) { Append(s); }
  StrBuf(StrBuf&& s) noexcept;
  StrBuf& operator=(const StrBuf& s) { Set(s); return *this; }
  StrBuf& operator=(const StrPtr& s) { Set(s); return *this; }
  StrBuf& operator=(const char* s) { Set(s); return *this; }
  StrBuf& operator=(StrBuf&& s) noexcept;
  ~StrBuf();

  uint32_t Size() const { return size_; }

  // length = 0; storage kept.
  void Clear() { length_ = 0; }
  // Makes room for n more bytes and returns where they go; length grows by n.
  char* Alloc(uint32_t n) {
    uint32_t old = length_;
    length_ += n;
    if (length_ > size_) Grow(old);
    return buffer_ + old;
  }
  // Sets the length (at most the allocated size) without touching bytes.
  void SetLength(uint32_t n) { length_ = n; }
  // Writes the terminating NUL after the text.
  void NulTerminate() { *Alloc(1) = 0; --length_; }

  void Append(const char* text);
  void Append(const char* bytes, uint32_t n) {
    char* p = Alloc(n + 1);
    memcpy(p, bytes, n);
    p[n] = 0;
    --length_;
  }
  void Append(const StrPtr& s) { Append(s.Text(), s.Length()); }
  void Append(const StrPtr* s) { Append(s->Text(), s->Length()); }
  void AppendUnterminated(const char* bytes, uint32_t n) { memcpy(Alloc(n), bytes, n); }
  void AppendChar(char c) {
    char* p = Alloc(2);
    p[0] = c;
    p[1] = 0;
    --length_;
  }
  // Appends a signed decimal number.
  void AppendInt(int64_t v);

  void Set(const char* text);
  void Set(const char* bytes, uint32_t n);
  void Set(const StrPtr& s) { Set(s.Text(), s.Length()); }

  // Lower-cases A-Z in place; no other byte changes.
  void LowerAscii();
  // Upper-cases a-z in place.
  void UpperAscii();

  // Gives up the buffer: back to the shared empty buffer.
  void Release();

 private:
  // Reallocates to hold length_ bytes (+ slack), keeping the first keep bytes.
  void Grow(uint32_t keep);

  uint32_t size_;
};

// Folding a byte for comparison: A-Z become a-z, everything else unchanged.
inline unsigned char FoldByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

// Three-way comparison of two NUL-terminated texts in the case mode.
int Compare(const char* a, const char* b, StrCaseMode mode = CaseFold);
// The same scan, always folding ASCII letters.
int CompareFold(const char* a, const char* b);
// Length-bounded forms over views (a view ending counts as a NUL byte).
int Compare(const StrPtr& a, const StrPtr& b, StrCaseMode mode = CaseFold);
int CompareFold(const StrPtr& a, const StrPtr& b);
int CompareChar(unsigned char x, unsigned char y, StrCaseMode mode = CaseFold);
bool EqualChar(unsigned char x, unsigned char y, StrCaseMode mode = CaseFold);

// Writes v in decimal backwards from the end of a buffer (NUL at end[-1]);
// returns a pointer to the first character. Callers keep 24 bytes.
char* FormatInt64(int64_t v, char* end);

#endif  // ZT_SUPPORT_TEXT_STRBUF_H_
