#include "support/text/strbuf.h"

#include <bit>

#include <cerrno>
#include <cstdlib>

#include "support/out_of_memory.h"

char strEmptyBuffer[1] = {0};


// ---- StrPtr ----

bool StrPtr::Equal(const StrPtr& o, StrCaseMode mode) const {
  return length_ == o.length_ && ::Compare(*this, o, mode) == 0;
}

int StrPtr::Compare(const StrPtr& o, StrCaseMode mode) const { return ::Compare(*this, o, mode); }

bool StrPtr::EndsWith(const char* bytes, uint32_t n) const {
  return length_ >= n && memcmp(buffer_ + length_ - n, bytes, n) == 0;
}

int64_t StrPtr::Atoi64() const {
  const char* p = buffer_;
  const char* e = buffer_ + length_;
  bool neg = false;
  if (p < e && (*p == '-' || *p == '+')) neg = (*p++ == '-');
  int64_t v = 0;
  while (p < e && *p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
  return neg ? -v : v;
}

// ---- StrBuf ----

StrBuf::StrBuf(StrBuf&& s) noexcept : StrPtr(s.buffer_, s.length_), size_(s.size_) {
  s.buffer_ = strEmptyBuffer;
  s.length_ = 0;
  s.size_ = 0;
}

StrBuf& StrBuf::operator=(StrBuf&& s) noexcept {
  if (this != &s) {
    if (buffer_ != strEmptyBuffer) free(buffer_);
    buffer_ = s.buffer_;
    length_ = s.length_;
    size_ = s.size_;
    s.buffer_ = strEmptyBuffer;
    s.length_ = 0;
    s.size_ = 0;
  }
  return *this;
}

StrBuf::~StrBuf() {
  if (buffer_ != strEmptyBuffer) free(buffer_);
}

void StrBuf::Release() {
  if (buffer_ != strEmptyBuffer) free(buffer_);
  buffer_ = strEmptyBuffer;
  length_ = 0;
  size_ = 0;
}

void StrBuf::Grow(uint32_t keep) {
  uint32_t size = length_;
  char* fresh;
  if (buffer_ == strEmptyBuffer) {
    // First allocation: exact, plus the terminator byte for short strings.
    if (length_ < 4096) size = length_ + 1;
    fresh = static_cast<char*>(malloc(size));
  } else {
    // Later growth is geometric: 150% of the need plus 45 bytes.
    if (length_ < 0x70000000u)
      size = ((length_ + 30u) * 3u) / 2u;
    else
      size = 0xFFFFFFFFu;
    fresh = static_cast<char*>(malloc(size));
    if (fresh) {
      memcpy(fresh, buffer_, keep);
      free(buffer_);
    }
  }
  if (!fresh) {
    // The string stays as it was, whoever catches the failure.
    length_ = keep;
    ThrowOutOfMemory();
  }
  buffer_ = fresh;
  size_ = size;
}

void StrBuf::Append(const char* text) {
  uint32_t n = static_cast<uint32_t>(strlen(text));
  memcpy(Alloc(n + 1), text, n + 1);
  --length_;
}

void StrBuf::AppendInt(int64_t v) {
  char tmp[24];
  Append(FormatInt64(v, tmp + sizeof(tmp)));
}

void StrBuf::Set(const char* text) {
  if (text == buffer_) {
    // Setting from our own text: only the length is recomputed.
    length_ = static_cast<uint32_t>(strlen(buffer_));
    return;
  }
  Clear();
  Append(text);
}

void StrBuf::Set(const char* bytes, uint32_t n) {
  if (bytes == buffer_) {
    if (n <= length_) {
      length_ = n;
      if (buffer_ != strEmptyBuffer) buffer_[length_] = 0;
    }
    return;
  }
  Clear();
  Append(bytes, n);
}

void LowerAsciiBytes(const char* from, char* to, uint32_t n) {
  uint32_t i = 0;
  // Eight bytes at once: a byte's high bit in `upper` is set when the byte
  // is below 0x80 and its low seven bits lie in 'A'..'Z'; that bit moved
  // down to 0x20 lowers it.
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  for (; i + 8 <= n; i += 8) {
    uint64_t v;
    memcpy(&v, from + i, 8);
    const uint64_t low7 = v & (0x7F * kOnes);
    const uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const uint64_t upper = atLeastA & ~aboveZ & ~v & (0x80 * kOnes);
    v |= upper >> 2;
    memcpy(to + i, &v, 8);
  }
  for (; i < n; ++i) {
    char c = from[i];
    to[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
  }
}

void StrBuf::LowerAscii() { LowerAsciiBytes(buffer_, buffer_, length_); }

void StrBuf::UpperAscii() {
  char* p = buffer_;
  for (uint32_t i = 0; i < length_; ++i)
    if (p[i] >= 'a' && p[i] <= 'z') p[i] -= 0x20;
}

// ---- comparison ----

int Compare(const char* a, const char* b, StrCaseMode mode) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
  while (*x && *x == *y) ++x, ++y;
  int d0 = static_cast<int>(*x) - static_cast<int>(*y);
  if (mode == CaseExact) return d0;
  int d;
  while ((d = static_cast<int>(FoldByte(*x)) - static_cast<int>(FoldByte(*y))) == 0 && *x) ++x, ++y;
  if (d) return d;
  return mode == CaseFold ? 0 : d0;
}

int CompareFold(const char* a, const char* b) {
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
  int d;
  while ((d = static_cast<int>(FoldByte(*x)) - static_cast<int>(FoldByte(*y))) == 0 && *x) ++x, ++y;
  return d;
}

// View forms: the end of a view behaves as a NUL byte.
static inline int ByteAt(const StrPtr& s, uint32_t i) {
  return i < s.Length() ? static_cast<unsigned char>(s[i]) : 0;
}

int Compare(const StrPtr& a, const StrPtr& b, StrCaseMode mode) {
  uint32_t n = a.Length() < b.Length() ? a.Length() : b.Length();
  uint32_t i = 0;
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a.Text());
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b.Text());
  while (i < n && x[i] == y[i]) ++i;
  int d0 = ByteAt(a, i) - ByteAt(b, i);
  if (mode == CaseExact || d0 == 0) return d0;
  int d;
  for (;;) {
    int ca = ByteAt(a, i), cb = ByteAt(b, i);
    d = static_cast<int>(FoldByte(static_cast<unsigned char>(ca))) -
        static_cast<int>(FoldByte(static_cast<unsigned char>(cb)));
    if (d || i >= a.Length()) break;
    ++i;
  }
  if (d) return d;
  return mode == CaseFold ? 0 : d0;
}

int CompareFold(const StrPtr& a, const StrPtr& b) {
  uint32_t i = 0;
  int d;
  for (;;) {
    int ca = ByteAt(a, i), cb = ByteAt(b, i);
    d = static_cast<int>(FoldByte(static_cast<unsigned char>(ca))) -
        static_cast<int>(FoldByte(static_cast<unsigned char>(cb)));
    if (d || i >= a.Length()) break;
    ++i;
  }
  return d;
}

int CompareChar(unsigned char x, unsigned char y, StrCaseMode mode) {
  if (mode == CaseExact) return static_cast<int>(x) - static_cast<int>(y);
  return static_cast<int>(FoldByte(x)) - static_cast<int>(FoldByte(y));
}

bool EqualChar(unsigned char x, unsigned char y, StrCaseMode mode) {
  if (mode == CaseFold) return FoldByte(x) == FoldByte(y);
  return x == y;
}

// ---- numbers ----

char* FormatInt64(int64_t v, char* end) {
  char* p = end - 1;
  *p = 0;
  bool neg = v < 0;
  uint64_t u = neg ? (~static_cast<uint64_t>(v) + 1) : static_cast<uint64_t>(v);
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  if (neg) *--p = '-';
  return p;
}
