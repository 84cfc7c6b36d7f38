// FileDigest: one message digest (MD5, SHA-1 or SHA-256) computed through
// the crypto library's generic digest interface. It owns its digest
// context; when the algorithm is not available it has none, and every
// operation quietly does nothing (Final then gives an empty text).
#ifndef ZT_SUPPORT_FILES_DIGEST_H_
#define ZT_SUPPORT_FILES_DIGEST_H_

#include <cstdint>

#include "support/text/strbuf.h"

class FileDigest {
 public:
  // Looks the algorithm up by name ("MD5", "SHA1", "SHA256") and starts it.
  explicit FileDigest(const char* name);
  ~FileDigest();
  FileDigest(const FileDigest&) = delete;
  FileDigest& operator=(const FileDigest&) = delete;

  // Feeds bytes.
  void Update(const void* data, size_t len);
  // Replaces out with the digest in hex: upper case for MD5, lower case for
  // the others. Empty when the algorithm is not available.
  void Final(StrBuf* out);
  // Bytes fed so far.
  int64_t Count() const { return count; }
  bool Available() const { return ctx != nullptr; }

 private:
  void* ctx;  // EVP_MD_CTX, owned
  bool upper;
  int64_t count;
};

#endif  // ZT_SUPPORT_FILES_DIGEST_H_
