// HandleSource and HandleSink: the bytes of an open file handle, read and
// written as they come (no buffering). Failures name the file given; the
// handle is not owned and must outlive them.
#ifndef ZT_SUPPORT_FILES_HANDLE_BYTES_H_
#define ZT_SUPPORT_FILES_HANDLE_BYTES_H_

#include "support/files/byte_sink.h"
#include "support/files/byte_source.h"
#include "support/text/strbuf.h"

class FileHandle;

// One platform read; a pipe whose writer has gone is the end of the data.
// Every failing call reports its failure.
class HandleSource : public ByteSource {
 public:
  HandleSource(FileHandle* handle, const StrPtr& name);
  int Read(char* buf, int len, Error* e) override;

  // Read on any handle: the count, 0 at the end, -1 after setting e.
  static int ReadHandle(FileHandle* handle, const StrPtr& name, char* buf, int len, Error* e);

 private:
  FileHandle* handle_;
  StrBuf name_;
};

// Writes all the bytes at once; every failing call reports its failure.
class HandleSink : public ByteSink {
 public:
  HandleSink(FileHandle* handle, const StrPtr& name);
  bool Write(const char* buf, int len, Error* e) override;
  bool Finish(Error*) override { return true; }

 private:
  FileHandle* handle_;
  StrBuf name_;
};

#endif  // ZT_SUPPORT_FILES_HANDLE_BYTES_H_
