#include "support/text/printable.h"

void AppendPrintable(const StrPtr& name, StrBuf* out) {
  static const char kHex[] = "0123456789abcdef";
  const char* p = name.Text();
  const uint32_t n = name.Length();
  uint32_t plainFrom = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    if (c >= 0x20 && c != 0x7F && c != '\\') continue;
    out->Append(p + plainFrom, i - plainFrom);
    plainFrom = i + 1;
    switch (c) {
      case '\\': out->Append("\\\\"); break;
      case '\n': out->Append("\\n"); break;
      case '\t': out->Append("\\t"); break;
      case '\r': out->Append("\\r"); break;
      default: {
        char hex[4] = {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
        out->Append(hex, 4);
      }
    }
  }
  out->Append(p + plainFrom, n - plainFrom);
}
