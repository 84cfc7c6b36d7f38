// The built-in case policies.
#include "map/case_policy.h"

#include <cctype>

#include "map/translation_map.h"

int Policy::Translate(const StrPtr& path, StrBuf* out) {
  if (policyMap && policyMap->MappingCount() > 0 && !policyMap->Contains(path)) {
    if (out->Text() != path.Text()) out->Set(path);
    return 0;
  }
  Apply(path, out);
  return 1;
}

unsigned char Policy::Upper(unsigned char c) const {
  if (!locale_) return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 0x20) : c;
  return static_cast<unsigned char>(toupper_l(c, locale_));
}

unsigned char Policy::Lower(unsigned char c) const {
  if (!locale_) return FoldByte(c);
  return static_cast<unsigned char>(tolower_l(c, locale_));
}

void LowerCasePolicy::Apply(const StrPtr& path, StrBuf* out) {
  out->Set(path);
  out->LowerAscii();
}

void UpperCasePolicy::Apply(const StrPtr& path, StrBuf* out) {
  out->Set(path);
  char* s = out->Value();
  for (uint32_t i = 0; i < out->Length(); ++i)
    s[i] = static_cast<char>(Upper(static_cast<unsigned char>(s[i])));
}

void MixedCasePolicy::Apply(const StrPtr& path, StrBuf* out) {
  out->Set(path);
  char* s = out->Value();
  bool startOfComponent = true;
  for (uint32_t i = 0; i < out->Length(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '/') {
      startOfComponent = true;
    } else if (startOfComponent) {
      s[i] = static_cast<char>(Upper(c));
      startOfComponent = false;
    } else {
      s[i] = static_cast<char>(Lower(c));
    }
  }
}
