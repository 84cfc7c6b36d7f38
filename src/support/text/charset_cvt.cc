#include "support/text/charset_cvt.h"

#include <string.h>

namespace {

// Trailing-byte count of a UTF-8 lead byte.
inline int Trailing(unsigned char c) {
  if (c < 0xC0) return 0;
  if (c < 0xE0) return 1;
  if (c < 0xF0) return 2;
  if (c < 0xF8) return 3;
  if (c < 0xFC) return 4;
  return 5;
}

// Steps over one UTF-16 unit.
class CharStepUTF16 : public CharStep {
 public:
  explicit CharStepUTF16(const char* p) : CharStep(p) {}
  const char* Next() override { return ptr += 2; }
};

// Length of a UTF-8 sequence cut at the end of [s, s+n): the bytes of an
// incomplete last character, 0 when the text ends on a whole character.
int IncompleteTail(const unsigned char* s, int n) {
  for (int back = 1; back <= 4 && back <= n; ++back) {
    unsigned char c = s[n - back];
    if ((c & 0xC0) == 0x80) continue;  // continuation byte: keep looking
    int need = c < 0x80 ? 1 : Trailing(c) + 1;
    return need > back ? back : 0;
  }
  return 0;
}

}  // namespace

std::unique_ptr<CharSetCvt> CharSetCvt::Clone() const { return std::make_unique<CharSetCvt>(); }
std::unique_ptr<CharSetCvt> CharSetCvt::Reverse() const { return std::make_unique<CharSetCvt>(); }

std::unique_ptr<CharStep> CharSetCvt::InputStep(const char* p) const {
  return std::make_unique<CharStep>(p);
}

std::unique_ptr<CharStep> CharSetCvtFromUTF8::InputStep(const char* p) const {
  return std::make_unique<CharStepUTF8>(p);
}

int CharSetCvt::Convert(const char** ss, const char* se, char** ts, char* te) {
  lastErr = NONE;
  int in = static_cast<int>(se - *ss);
  int room = static_cast<int>(te - *ts);
  int n = in < room ? in : room;
  memcpy(*ts, *ss, n);
  for (int i = 0; i < n; ++i) Count(static_cast<unsigned char>((*ss)[i]));
  *ss += n;
  *ts += n;
  return n < in ? Fail(PARTIALCHAR) : NONE;
}

const char* CharSetCvt::ConvertInto(const char* s, int len, int* retlen, bool substitute) {
  int size = 2 * len + 2;
  if (size < 16) size = 16;
  if (!outBuf || outSize < size) {
    outBuf.reset(new char[size]);
    outSize = size;
  }
  const char* ss = s;
  const char* se = s + len;
  int used = 0;
  for (;;) {
    char* ts = outBuf.get() + used;
    char* te = outBuf.get() + outSize - 2;
    const char* before = ss;
    char* tbefore = ts;
    int err = Convert(&ss, se, &ts, te);
    used = static_cast<int>(ts - outBuf.get());
    if (err == NONE) break;
    bool progress = ss != before || ts != tbefore;
    if (err == NOMAPPING && substitute) {
      if (te - ts >= 1) {
        outBuf[used++] = '?';
        const char* next = InputStep(ss)->Next();
        ss = next > se ? se : next;
        continue;
      }
    } else if (err == NOMAPPING) {
      return nullptr;
    }
    // No room, or the input ends inside a character.
    if (!progress && te - ts >= 8) return nullptr;
    if (te - ts < 8) {
      int bigger = outSize * 2;
      std::unique_ptr<char[]> grown(new char[bigger]);
      memcpy(grown.get(), outBuf.get(), used);
      outBuf = std::move(grown);
      outSize = bigger;
    }
  }
  outBuf[used] = 0;
  outBuf[used + 1] = 0;
  if (retlen) *retlen = used;
  return outBuf.get();
}

const char* CharSetCvt::ConvertFast(const char* s, int len, int* retlen) {
  return ConvertInto(s, len, retlen, false);
}

const char* CharSetCvt::ConvertFastSubstituting(const char* s, int len, int* retlen) {
  return ConvertInto(s, len, retlen, true);
}

std::unique_ptr<char[]> CharSetCvt::ConvertBuffer(const char* s, int len, int* retlen) {
  int n = 0;
  const char* out = ConvertInto(s, len, &n, false);
  if (!out) return nullptr;
  std::unique_ptr<char[]> copy(new char[n + 2]);
  memcpy(copy.get(), out, n + 2);
  if (retlen) *retlen = n;
  return copy;
}

// UTF-16 to UTF-8.

std::unique_ptr<CharSetCvt> CharSetCvtUTF168::Clone() const {
  return std::make_unique<CharSetCvtUTF168>(initialOrder, writeBom);
}

std::unique_ptr<CharSetCvt> CharSetCvtUTF168::Reverse() const {
  return std::make_unique<CharSetCvtUTF816>(initialOrder, writeBom);
}

std::unique_ptr<CharStep> CharSetCvtUTF168::InputStep(const char* p) const {
  return std::make_unique<CharStepUTF16>(p);
}

int CharSetCvtUTF168::Convert(const char** ss, const char* se, char** ts, char* te) {
  lastErr = NONE;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(*ss);
  const unsigned char* end = reinterpret_cast<const unsigned char*>(se);
  unsigned char* t = reinterpret_cast<unsigned char*>(*ts);
  unsigned char* tend = reinterpret_cast<unsigned char*>(te);
  auto unit = [this](const unsigned char* p) -> unsigned {
    return order == kBigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
  };
  while (s < end) {
    if (end - s < 2) { Fail(PARTIALCHAR); break; }
    unsigned u = unit(s);
    const unsigned char* next = s + 2;
    if (bomPending) {
      bomPending = false;
      if (u == 0xFEFF) { s = next; continue; }
      if (u == 0xFFFE) {
        order = order == kBigEndian ? kLittleEndian : kBigEndian;
        s = next;
        continue;
      }
    }
    unsigned cp = u;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (end - s < 4) { Fail(PARTIALCHAR); break; }
      unsigned low = unit(s + 2);
      if (low < 0xDC00 || low > 0xDFFF) { Fail(NOMAPPING); break; }
      cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
      next = s + 4;
    } else if ((u >= 0xDC00 && u <= 0xDFFF) || (u >= 0xFDD0 && u <= 0xFDEF)) {
      Fail(NOMAPPING);
      break;
    }
    int n = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    if (tend - t < n) { Fail(PARTIALCHAR); break; }
    switch (n) {
      case 1: t[0] = static_cast<unsigned char>(cp); break;
      case 2:
        t[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        t[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
      case 3:
        t[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        t[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        t[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
      default:
        t[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
        t[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
        t[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        t[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        break;
    }
    t += n;
    Count(cp);
    s = next;
  }
  *ss = reinterpret_cast<const char*>(s);
  *ts = reinterpret_cast<char*>(t);
  return lastErr;
}

// UTF-8 to UTF-16.

std::unique_ptr<CharSetCvt> CharSetCvtUTF816::Clone() const {
  return std::make_unique<CharSetCvtUTF816>(initialOrder, writeBom);
}

std::unique_ptr<CharSetCvt> CharSetCvtUTF816::Reverse() const {
  return std::make_unique<CharSetCvtUTF168>(initialOrder, writeBom);
}

int CharSetCvtUTF816::Convert(const char** ss, const char* se, char** ts, char* te) {
  lastErr = NONE;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(*ss);
  const unsigned char* end = reinterpret_cast<const unsigned char*>(se);
  unsigned char* t = reinterpret_cast<unsigned char*>(*ts);
  unsigned char* tend = reinterpret_cast<unsigned char*>(te);
  auto put = [this, &t](unsigned u) {
    if (order == kBigEndian) {
      t[0] = static_cast<unsigned char>(u >> 8);
      t[1] = static_cast<unsigned char>(u);
    } else {
      t[0] = static_cast<unsigned char>(u);
      t[1] = static_cast<unsigned char>(u >> 8);
    }
    t += 2;
  };
  if (bomPending && writeBom && !bomWritten) {
    if (tend - t < 2) {
      *ts = reinterpret_cast<char*>(t);
      return Fail(PARTIALCHAR);
    }
    put(0xFEFF);
    bomWritten = true;
  }
  while (s < end) {
    unsigned char c = *s;
    int tr = Trailing(c);
    if ((c >= 0x80 && c < 0xC0) || tr >= 4) { Fail(NOMAPPING); break; }
    if (end - s < tr + 1) { Fail(PARTIALCHAR); break; }
    unsigned cp;
    switch (tr) {
      case 0: cp = c; break;
      case 1: cp = ((c & 0x1Fu) << 6) | (s[1] & 0x3Fu); break;
      case 2: cp = ((c & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu); break;
      default:
        cp = ((c & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
        break;
    }
    // Beyond the last code point there is no UTF-16 form.
    if (cp > 0x10FFFF) { Fail(NOMAPPING); break; }
    if (bomPending) {
      bomPending = false;
      if (cp == 0xFEFF) { s += tr + 1; continue; }
    }
    int units = cp > 0xFFFF ? 2 : 1;
    if (tend - t < 2 * units) { Fail(PARTIALCHAR); break; }
    if (units == 2) {
      unsigned v = cp - 0x10000;
      put(0xD800 + (v >> 10));
      put(0xDC00 + (v & 0x3FF));
    } else {
      put(cp);
    }
    Count(cp);
    s += tr + 1;
  }
  *ss = reinterpret_cast<const char*>(s);
  *ts = reinterpret_cast<char*>(t);
  return lastErr;
}

// UTF-8 to UTF-8.

std::unique_ptr<CharSetCvt> CharSetCvtUTF8UTF8::Clone() const {
  return std::make_unique<CharSetCvtUTF8UTF8>(direction, flags);
}

std::unique_ptr<CharSetCvt> CharSetCvtUTF8UTF8::Reverse() const {
  return std::make_unique<CharSetCvtUTF8UTF8>(-direction, flags);
}

int CharSetCvtUTF8UTF8::Convert(const char** ss, const char* se, char** ts, char* te) {
  static const unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};
  lastErr = NONE;
  const char* s = *ss;
  char* t = *ts;
  if (bomPending) {
    if (direction < 0) {
      if (flags & kWriteBom) {
        if (te - t < 3) return Fail(PARTIALCHAR);
        memcpy(t, kBom, 3);
        t += 3;
        *ts = t;
      }
      bomPending = false;
    } else {
      int avail = static_cast<int>(se - s);
      int cmp = avail < 3 ? avail : 3;
      if (cmp > 0 && memcmp(s, kBom, cmp) == 0) {
        // Wait for the whole mark before deciding.
        if (avail < 3) return Fail(PARTIALCHAR);
        s += 3;
      }
      if (avail > 0) bomPending = false;
    }
  }
  int in = static_cast<int>(se - s);
  int room = static_cast<int>(te - t);
  int n = in < room ? in : room;
  n -= IncompleteTail(reinterpret_cast<const unsigned char*>(s), n);
  bool bad = false;
  if ((flags & kValidate) && direction > 0 && n > 0) {
    const char* pos = nullptr;
    validator.Reset();
    if (validator.Valid(s, n, &pos) == 0) {
      n = static_cast<int>(pos - s);
      bad = true;
    }
  }
  memcpy(t, s, n);
  // Line and character counts for the report of a failure.
  const char* p = s;
  const char* e = s + n;
  while (const char* lf = static_cast<const char*>(memchr(p, '\n', e - p))) {
    ++lineCnt;
    charCnt = 0;
    p = lf + 1;
  }
  for (; p < e; ++p)
    if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++charCnt;
  *ss = s + n;
  *ts = t + n;
  if (bad) return Fail(NOMAPPING);
  return n < in ? Fail(PARTIALCHAR) : NONE;
}
