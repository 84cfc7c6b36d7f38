// CLocale: a C library locale made once from its name, for the calls that
// take their locale as an argument (tolower_l, toupper_l), and freed with
// the object. The process's own locale is never changed, so a run's locale
// decides nothing for any other code, and a thread running meanwhile sees
// no change at all.
#ifndef ZT_SUPPORT_TEXT_C_LOCALE_H_
#define ZT_SUPPORT_TEXT_C_LOCALE_H_

#include <locale.h>

#include <string>

class CLocale {
 public:
  // The locale of that name (an empty name: the one the environment
  // names); none when the C library refuses the name.
  explicit CLocale(const std::string& name);
  ~CLocale();
  CLocale(const CLocale&) = delete;
  CLocale& operator=(const CLocale&) = delete;

  // False when the name was refused.
  bool Valid() const { return locale_ != nullptr; }
  // The locale; null when the name was refused.
  locale_t Get() const { return locale_; }
  // The name the C library gives the locale ("C" for "POSIX"), or the name
  // asked for when it was refused.
  const std::string& Name() const { return name_; }

 private:
  locale_t locale_;
  std::string name_;
};

#endif  // ZT_SUPPORT_TEXT_C_LOCALE_H_
