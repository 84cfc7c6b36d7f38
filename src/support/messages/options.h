// OptionSet: the parsed single-letter options of a command line.
//
// Parse reads the option words described by a flag string (each letter may be
// followed by one modifier: ":" argument, "#" non-negative integer argument,
// "$" argument that ends option processing, "+" second letter and argument,
// "." optional attached argument) and stores at most 256 options. Values are
// views into the caller's words (or of the constant "true"); the OptionSet
// copies nothing and owns nothing, so the words must outlive it.
//
// Long options ("--name", "--name=value", "--name value") are those of an
// optional table given to Parse; "--explain" is always known.
#ifndef ZT_SUPPORT_MESSAGES_OPTIONS_H_
#define ZT_SUPPORT_MESSAGES_OPTIONS_H_

#include "support/messages/error.h"
#include "support/text/strbuf.h"

inline constexpr MessageId kMsgBadOption = {0x31010404, "Invalid option: -%option%."};
inline constexpr MessageId kMsgNeedsArg = {0x31010405, "Option: -%option% needs argument."};
inline constexpr MessageId kMsgNeedsFlagArg = {0x31010417,
                                               "Option: -%option% needs a flag and an argument."};
inline constexpr MessageId kMsgNeedsNonNegArg = {
    0x31010421, "Option: -%option% needs a non-negative integer argument."};
inline constexpr MessageId kMsgTooManyOptions = {0x40210403, "Too many options on command!"};
inline constexpr MessageId kMsgUnexpectedArgs = {0x30010406, "Unexpected arguments."};
inline constexpr MessageId kMsgWrongArgCount = {0x30010407, "Missing/wrong number of arguments."};

// Accepted counts of remaining words (the mask given to Parse).
enum OptionWordCounts {
  kOptOneWord = 0x01,
  kOptTwoWords = 0x02,
  kOptThreeWords = 0x04,
  kOptManyWords = 0x08,
  kOptNoWords = 0x10,
  kOptAnyWords = 0x1f
};

// One long option of the table given to Parse; the table ends with a null
// name.
struct LongOption {
  const char* name;
  bool takesArg;
};

class OptionSet {
 public:
  static const int kMaxOptions = 256;

  OptionSet();
  OptionSet(const OptionSet&) = delete;
  OptionSet& operator=(const OptionSet&) = delete;

  // Parses the option words at *argv, storing the options and advancing
  // *argv / decrementing *argc past every word consumed. On failure the
  // specific message (then, except for too many options, the usage message)
  // is set in e and the options stored so far stay stored. An explain
  // request (--explain) ends the parse with only the usage message at info.
  void Parse(int* argc, char*** argv, const char* flagString, int mask,
             const MessageId& usage, Error* e, const LongOption* longOptions = nullptr);

  // The value of the n-th stored option with this letter and second letter,
  // or null when there is none.
  const StrPtr* GetValue(int letter, int subLetter = 0, int n = 0) const;
  // The value of the n-th stored long option of this name ("true" for one
  // without an argument), or null when there is none.
  const StrPtr* GetLong(const char* name, int n = 0) const;
  // Number of options stored.
  int Count() const { return count; }

 private:
  // One "--name[=value]" word; false with the failure in e.
  bool ParseLong(const char* word, int* argc, char*** argv, const MessageId& usage, Error* e);
  // One "-abc" word of letters; sets *stopped after a "$" option; false
  // with the failure in e.
  bool ParseLetters(const char* word, const char* flagString, bool explain, bool* stopped,
                    int* argc, char*** argv, const MessageId& usage, Error* e);

  int count;
  const LongOption* longOptions;
  int flags[kMaxOptions];
  char subFlags[kMaxOptions];
  StrPtr values[kMaxOptions];
};

#endif  // ZT_SUPPORT_MESSAGES_OPTIONS_H_
