#include "support/files/digest.h"

#include <openssl/evp.h>
#include <string.h>

FileDigest::FileDigest(const char* name) : ctx(nullptr), upper(strcmp(name, "MD5") == 0), count(0) {
  const EVP_MD* md = EVP_get_digestbyname(name);
  if (!md) return;
  EVP_MD_CTX* c = EVP_MD_CTX_new();
  if (!c) return;
  if (EVP_DigestInit_ex(c, md, nullptr) != 1) {
    EVP_MD_CTX_free(c);
    return;
  }
  ctx = c;
}

FileDigest::~FileDigest() {
  if (ctx) EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(ctx));
}

void FileDigest::Update(const void* data, size_t len) {
  if (!ctx) return;
  EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(ctx), data, len);
  count += static_cast<int64_t>(len);
}

void FileDigest::Final(StrBuf* out) {
  out->Clear();
  out->NulTerminate();
  if (!ctx) return;
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(ctx), md, &n) != 1) return;
  if (upper)
    out->AppendHexUpper(md, n);
  else
    out->AppendHexLower(md, n);
  // The context is finished; a later Final gives the digest of nothing.
  EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(ctx), EVP_MD_CTX_get0_md(static_cast<EVP_MD_CTX*>(ctx)),
                    nullptr);
  count = 0;
}
