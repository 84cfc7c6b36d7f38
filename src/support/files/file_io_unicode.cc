#include "support/files/file_io_unicode.h"

#include <string.h>

#include "support/files/files_messages.h"
#include "support/messages/debug.h"

FileIOUnicode::FileIOUnicode(int lineMode)
    : FileIOBuffer(lineMode), rawSize(GetLevel(ZT_FILESYS_BUFSIZE)), rawCount(0) {
  rawBuffer.reset(new char[rawSize]);
}

FileIOUnicode::~FileIOUnicode() {
  if (handle) {
    Error ignored;
    Close(&ignored);
  }
}

void FileIOUnicode::SetConverter(CharSetCvt* cvt) {
  converter.reset(cvt);
  if (converter) converter->ResetCount();
}

void FileIOUnicode::Close(Error* e) {
  if (handle && converter && writePending > 0 && FlushBuffer(e) && writePending > 0) {
    // The content ends inside a character.
    e->Set(kMsgPartialChar);
    writePending = 0;
  }
  FileIOBuffer::Close(e);
  rawCount = 0;
  converter.reset();
}

int FileIOUnicode::FillBuffer(Error* e) {
  if (!converter) return FileIOBuffer::FillBuffer(e);
  readPtr = buffer.get();
  readAvail = 0;
  for (;;) {
    bool atEnd = false;
    if (rawCount < rawSize) {
      int n = FileIOCompress::Read(rawBuffer.get() + rawCount, rawSize - rawCount, e);
      if (n < 0) return -1;
      if (n == 0) atEnd = true;
      rawCount += n;
    }
    if (rawCount == 0) return 0;
    const char* s = rawBuffer.get();
    char* t = buffer.get();
    int err = converter->Convert(&s, rawBuffer.get() + rawCount, &t, buffer.get() + bufferSize);
    int used = static_cast<int>(s - rawBuffer.get());
    int produced = static_cast<int>(t - buffer.get());
    memmove(rawBuffer.get(), s, rawCount - used);
    rawCount -= used;
    if (err == CharSetCvt::NOMAPPING) {
      e->Set(kMsgTranslationFailed) << converter->LineCount() << path;
      return -1;
    }
    if (produced > 0) {
      readAvail = produced;
      return produced;
    }
    if (atEnd || used == 0) {
      if (atEnd && rawCount > 0) {
        // The file ends inside a character.
        e->Set(kMsgPartialChar);
        rawCount = 0;
      }
      if (atEnd) return 0;
    }
    // A byte-order mark alone was consumed: read on.
  }
}

bool FileIOUnicode::FlushBuffer(Error* e) {
  if (!converter) return FileIOBuffer::FlushBuffer(e);
  while (writePending > 0) {
    const char* s = buffer.get();
    char* t = rawBuffer.get();
    int err = converter->Convert(&s, buffer.get() + writePending, &t, rawBuffer.get() + rawSize);
    int used = static_cast<int>(s - buffer.get());
    int produced = static_cast<int>(t - rawBuffer.get());
    if (produced > 0 && !WriteThrough(rawBuffer.get(), produced, e)) return false;
    memmove(buffer.get(), s, writePending - used);
    writePending -= used;
    if (err == CharSetCvt::NOMAPPING) {
      e->Set(kMsgTranslationFailed) << converter->LineCount() << path;
      writePending = 0;
      return false;
    }
    if (used == 0 && produced == 0) {
      // Only a partial character is left; it waits for the next write.
      if (writePending < bufferSize) return true;
      e->Set(kMsgPartialChar);
      writePending = 0;
      return false;
    }
  }
  return true;
}

void FileIOUTF16::Open(int m, Error* e) {
  if (m == FOM_READ)
    SetConverter(new CharSetCvtUTF168(-1, false));
  else
    SetConverter(new CharSetCvtUTF816(-1, true));
  FileIOBuffer::Open(m, e);
}

void FileIOUTF16::SetPathChecked(const StrPtr& name, Error* e) {
  FileSys::SetPathChecked(name, e);
  contentCharset = CS_UTF16;
}

void FileIOUTF8::Open(int m, Error* e) {
  if (m == FOM_READ)
    SetConverter(new CharSetCvtUTF8UTF8(1, CharSetCvtUTF8UTF8::kValidate));
  else
    SetConverter(new CharSetCvtUTF8UTF8(-1, contentCharset == CS_UTF8_BOM ? CharSetCvtUTF8UTF8::kWriteBom : 0));
  FileIOBuffer::Open(m, e);
}

void FileIOUTF8::SetPathChecked(const StrPtr& name, Error* e) {
  FileSys::SetPathChecked(name, e);
  contentCharset = GetLevel(ZT_FILESYS_UTF8BOM) ? CS_UTF8_BOM : CS_UTF8;
}
