// The Unicode text kinds: FileIOUnicode converts the content through an
// installed character-set converter (which it owns while installed);
// FileIOUTF16 holds UTF-16 content shown to the caller as UTF-8, and
// FileIOUTF8 UTF-8 content (validated on read, with an optional byte-order
// mark on write).
#ifndef ZT_SUPPORT_FILES_FILE_IO_UNICODE_H_
#define ZT_SUPPORT_FILES_FILE_IO_UNICODE_H_

#include <memory>

#include "support/files/file_io_buffer.h"
#include "support/text/charset_cvt.h"

class FileIOUnicode : public FileIOBuffer {
 public:
  explicit FileIOUnicode(int lineMode);
  ~FileIOUnicode() override;

  // Installs a converter (the file takes ownership) and resets it.
  void SetConverter(CharSetCvt* cvt) override;
  void Close(Error* e) override;
  int FillBuffer(Error* e) override;
  bool FlushBuffer(Error* e) override;

 protected:
  bool CanBypassBuffer() const override { return !converter; }

  std::unique_ptr<CharSetCvt> converter;
  std::unique_ptr<char[]> rawBuffer;
  int32_t rawSize;
  int32_t rawCount;  // raw bytes held at the front of rawBuffer
};

class FileIOUTF16 : public FileIOUnicode {
 public:
  explicit FileIOUTF16(int lineMode) : FileIOUnicode(lineMode) {}
  void Open(int mode, Error* e) override;
  void SetPathChecked(const StrPtr& name, Error* e) override;
};

class FileIOUTF8 : public FileIOUTF16 {
 public:
  explicit FileIOUTF8(int lineMode) : FileIOUTF16(lineMode) {}
  void Open(int mode, Error* e) override;
  void SetPathChecked(const StrPtr& name, Error* e) override;
};

#endif  // ZT_SUPPORT_FILES_FILE_IO_UNICODE_H_
