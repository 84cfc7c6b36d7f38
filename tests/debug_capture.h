// DebugCapture: collects the debug output of the current thread for the
// life of the object, then puts the thread's previous configuration back
// (a configuration uninstalls itself when destroyed, so none is left
// dangling when there was no previous one).
#ifndef ZT_TESTS_DEBUG_CAPTURE_H_
#define ZT_TESTS_DEBUG_CAPTURE_H_

#include <string>

#include "support/messages/debug.h"

namespace testutil {

class DebugCapture {
 public:
  DebugCapture() : previous_(ZtDebugConfig::Current()) {
    config_.SetOutputFunction(&DebugCapture::Collect, &text_);
    config_.Install();
  }
  ~DebugCapture() {
    if (previous_) previous_->Install();
  }
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;
  // Everything printed so far.
  const std::string& Text() const { return text_; }

 private:
  static void Collect(void* text, const StrPtr& line) {
    static_cast<std::string*>(text)->append(line.Text(), line.Length());
  }

  ZtDebugConfig* previous_;
  ZtDebugConfig config_;
  std::string text_;
};

}  // namespace testutil

#endif  // ZT_TESTS_DEBUG_CAPTURE_H_
