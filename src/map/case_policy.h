// Policy: a built-in rule that re-cases every path (lower, upper, or mixed:
// each component capitalised), optionally limited to the paths a policy
// map matches. The policy map is not owned (the migration engine owns it).
// Upper and mixed re-case each byte in the locale the run gives (SetLocale),
// the "C" locale until then.
#ifndef ZT_MAP_CASE_POLICY_H_
#define ZT_MAP_CASE_POLICY_H_

#include <locale.h>

#include "support/text/strbuf.h"

class TranslationMap;

class Policy {
 public:
  explicit Policy(TranslationMap* map = nullptr) : policyMap(map) {}
  virtual ~Policy() = default;

  // Writes the re-cased path into out (out may be the path's own buffer).
  virtual void Apply(const StrPtr& path, StrBuf* out) = 0;

  // Re-cases the path into out unless a policy map holding mappings does
  // not contain it; then out is the path unchanged. 1 when re-cased.
  int Translate(const StrPtr& path, StrBuf* out);
  // Re-cases bytes in locale (not owned; null is the "C" locale).
  void SetLocale(locale_t locale) { locale_ = locale; }

  TranslationMap* policyMap;  // not owned

 protected:
  // c through the locale's toupper or tolower.
  unsigned char Upper(unsigned char c) const;
  unsigned char Lower(unsigned char c) const;

 private:
  locale_t locale_ = nullptr;
};

// "lower": A-Z become a-z; no other byte changes.
class LowerCasePolicy : public Policy {
 public:
  using Policy::Policy;
  void Apply(const StrPtr& path, StrBuf* out) override;
};

// "upper": every byte through the C library's toupper in the run's locale.
class UpperCasePolicy : public Policy {
 public:
  using Policy::Policy;
  void Apply(const StrPtr& path, StrBuf* out) override;
};

// "mixed": the first byte of every component through toupper, every other
// byte through tolower (the run's locale); "/" is kept.
class MixedCasePolicy : public Policy {
 public:
  using Policy::Policy;
  void Apply(const StrPtr& path, StrBuf* out) override;
};

#endif  // ZT_MAP_CASE_POLICY_H_
