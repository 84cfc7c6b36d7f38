// The command options parser.
#include "support/messages/options.h"

#include <cstring>
#include <string>

namespace {

const char kTrue[] = "true";
const char kModifiers[] = ":#$+.";

bool IsModifier(char c) { return c != 0 && strchr(kModifiers, c) != nullptr; }

// The letter's place in the flag string (modifiers are not letters), or null.
const char* FindFlag(const char* flagString, char c) {
  if (c == 0 || IsModifier(c)) return nullptr;
  for (const char* p = flagString; *p; ++p) {
    if (*p == c) return p;
  }
  return nullptr;
}

// Optional blanks, an optional sign, at least one digit and nothing else,
// fitting a signed 64-bit integer and not negative.
bool IsNonNegativeInteger(const char* s) {
  while (*s == ' ' || *s == '\t') ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = (*s++ == '-');
  if (*s < '0' || *s > '9') return false;
  uint64_t v = 0;
  const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
  for (; *s >= '0' && *s <= '9'; ++s) {
    unsigned d = static_cast<unsigned>(*s - '0');
    if (v > (limit - d) / 10) return false;
    v = v * 10 + d;
  }
  if (*s) return false;
  return !negative || v == 0;
}

// Long options are stored under flag numbers above every letter.
const int kLongFlagBase = 0x100;

// The index of the long option named by text (up to an "=" when hasValue),
// or -1.
int FindLong(const LongOption* table, const char* text, size_t length) {
  for (int i = 0; table && table[i].name; ++i) {
    if (strlen(table[i].name) == length && memcmp(table[i].name, text, length) == 0) return i;
  }
  return -1;
}

}  // namespace

OptionSet::OptionSet() : count(0), longOptions(nullptr), flags(), subFlags() {}

// The words left after the options, as a mask bit of OptionWordCounts.
static int WordCountBit(int words) {
  if (words <= 0) return kOptNoWords;
  if (words == 1) return kOptOneWord;
  if (words == 2) return kOptTwoWords;
  if (words == 3) return kOptThreeWords;
  return kOptManyWords;
}

// Takes the next word as an option's argument; null when there is none.
static const char* NextWord(int* argc, char*** argv) {
  if (*argc <= 0) return nullptr;
  const char* word = (*argv)[0];
  ++*argv;
  --*argc;
  return word;
}

void OptionSet::Parse(int* argc, char*** argv, const char* flagString, int mask,
                      const MessageId& usage, Error* e, const LongOption* longTable) {
  longOptions = longTable;
  bool explain = false;
  bool stopped = false;
  while (*argc > 0 && !stopped) {
    char* word = (*argv)[0];
    if (word[0] != '-' || word[1] == 0) break;
    ++*argv;
    --*argc;
    if (word[1] != '-') {
      if (!ParseLetters(word, flagString, explain, &stopped, argc, argv, usage, e)) return;
    } else if (word[2] == 0) {
      // "--" alone ends the options: the next word is an argument even
      // when it starts with "-".
      stopped = true;
    } else if (!explain && strcmp(word + 2, "explain") == 0) {
      explain = true;
    } else if (!ParseLong(word, argc, argv, usage, e)) {
      return;
    }
  }
  if (explain) {
    e->Set(usage);
    return;
  }
  if (!(mask & WordCountBit(*argc))) {
    e->Set((mask & kOptNoWords) ? kMsgUnexpectedArgs : kMsgWrongArgCount);
    e->Set(usage);
  }
}

bool OptionSet::ParseLong(const char* word, int* argc, char*** argv, const MessageId& usage,
                          Error* e) {
  const char* name = word + 2;
  const char* equals = strchr(name, '=');
  size_t nameLength = equals ? static_cast<size_t>(equals - name) : strlen(name);
  int index = FindLong(longOptions, name, nameLength);
  if (index < 0 || (equals && !longOptions[index].takesArg)) {
    e->Set(kMsgBadOption) << (word + 1);
    e->Set(usage);
    return false;
  }
  if (count >= kMaxOptions) {
    e->Set(kMsgTooManyOptions);
    return false;
  }
  const char* arg = kTrue;
  if (longOptions[index].takesArg) {
    arg = equals ? equals + 1 : NextWord(argc, argv);
    if (!arg) {
      e->Set(kMsgNeedsArg) << ("-" + std::string(longOptions[index].name)).c_str();
      e->Set(usage);
      return false;
    }
  }
  flags[count] = kLongFlagBase + index;
  subFlags[count] = 0;
  values[count] = StrPtr(arg);
  ++count;
  return true;
}

bool OptionSet::ParseLetters(const char* word, const char* flagString, bool explain,
                             bool* stopped, int* argc, char*** argv, const MessageId& usage,
                             Error* e) {
  char letter[2] = {0, 0};
  const char* p = word + 1;
  while (*p) {
    const char* f = FindFlag(flagString, *p);
    if (!f) {
      e->Set(kMsgBadOption) << p;
      e->Set(usage);
      return false;
    }
    if (explain) {
      e->Set(usage);
      return false;
    }
    if (count >= kMaxOptions) {
      e->Set(kMsgTooManyOptions);
      return false;
    }
    letter[0] = *p++;
    int slot = count;
    flags[slot] = letter[0];
    subFlags[slot] = 0;
    char mod = f[1];
    if (mod == '.') {
      values[slot] = StrPtr(p);
      ++count;
      return true;
    }
    if (!IsModifier(mod)) {
      values[slot] = StrPtr(kTrue, 4);
      ++count;
      continue;
    }
    if (mod == '+') {
      if (!*p) {
        e->Set(kMsgNeedsFlagArg) << letter;
        e->Set(usage);
        return false;
      }
      subFlags[slot] = *p++;
    }
    // ":", "#", "$" and the argument of "+": the rest of the word, or the
    // next word.
    const char* arg = *p ? p : NextWord(argc, argv);
    if (!arg) {
      e->Set(kMsgNeedsArg) << letter;
      e->Set(usage);
      return false;
    }
    if (mod == '#' && !IsNonNegativeInteger(arg)) {
      e->Set(kMsgNeedsNonNegArg) << letter;
      e->Set(usage);
      return false;
    }
    if (mod == '$') *stopped = true;
    values[slot] = StrPtr(arg);
    ++count;
    return true;
  }
  return true;
}

const StrPtr* OptionSet::GetValue(int letter, int subLetter, int n) const {
  for (int i = 0; i < count; ++i) {
    if (flags[i] == letter && subFlags[i] == subLetter && n-- == 0) return &values[i];
  }
  return nullptr;
}

const StrPtr* OptionSet::GetLong(const char* name, int n) const {
  int index = FindLong(longOptions, name, strlen(name));
  if (index < 0) return nullptr;
  for (int i = 0; i < count; ++i) {
    if (flags[i] == kLongFlagBase + index && n-- == 0) return &values[i];
  }
  return nullptr;
}
