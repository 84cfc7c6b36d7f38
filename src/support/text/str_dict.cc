#include "support/text/str_dict.h"

#include "support/messages/error.h"

static const MessageId kMsgRequiredVar = {0x31010000u | 0x0B, "Required parameter '%arg%' not set!"};

StrDict::~StrDict() {}

StrDictIterator* StrDict::Iterator() {
  if (!iterator) iterator = std::make_unique<StrDictBasicIterator>(this);
  iterator->Reset();
  return iterator.get();
}

static void IndexedName(StrBuf* key, const StrPtr& name, int x) {
  key->Set(name);
  key->AppendInt(x);
}

void StrDict::SetVar(const StrPtr& name, int x, const StrPtr& value) {
  StrBuf key;
  IndexedName(&key, name, x);
  StoreVar(key, value);
}

void StrDict::SetVar(const StrPtr& name, int x, int y, const StrPtr& value) {
  StrBuf key;
  IndexedName(&key, name, x);
  key.AppendChar(',');
  key.AppendInt(y);
  StoreVar(key, value);
}

void StrDict::SetVarInt(const StrPtr& name, int64_t value) {
  char tmp[24];
  StoreVar(name, StrPtr(FormatInt64(value, tmp + sizeof(tmp))));
}

void StrDict::SetVarInt(const StrPtr& name, int x, int64_t value) {
  char tmp[24];
  SetVar(name, x, StrPtr(FormatInt64(value, tmp + sizeof(tmp))));
}

void StrDict::RequireVar(const StrPtr& name, Error* e) {
  if (e) e->Set(kMsgRequiredVar) << name;
}

const StrPtr* StrDict::GetVar(const StrPtr& name, int x) const {
  StrBuf key;
  IndexedName(&key, name, x);
  return LookupVar(key);
}

// Exact byte comparison of two names.
static inline bool SameName(const StrPtr& a, const StrPtr& b) { return a.EqualExact(b); }

// ---- StrPtrDict ----

StrPtrDict::~StrPtrDict() {
  for (int i = 0; i < pairs.Count(); ++i) delete static_cast<Pair*>(pairs.Get(i));
}

const StrPtr* StrPtrDict::LookupVar(const StrPtr& name) const {
  for (int i = 0; i < count; ++i) {
    Pair* p = static_cast<Pair*>(pairs.Get(i));
    if (SameName(p->name, name)) return &p->value;
  }
  return nullptr;
}

void StrPtrDict::StoreVar(const StrPtr& name, const StrPtr& value) {
  if (count == pairs.Count()) pairs.Put(new Pair);
  Pair* p = static_cast<Pair*>(pairs.Get(count++));
  p->name = name;
  p->value = value;
}

void StrPtrDict::DropVar(const StrPtr& name) {
  for (int i = 0; i < count; ++i) {
    Pair* p = static_cast<Pair*>(pairs.Get(i));
    if (SameName(p->name, name)) {
      --count;
      pairs.Exchange(i, count);
      return;
    }
  }
}

bool StrPtrDict::VarAt(int i, StrPtr* name, StrPtr* value) const {
  if (i < 0 || i >= count) return false;
  Pair* p = static_cast<Pair*>(pairs.Get(i));
  *name = p->name;
  *value = p->value;
  return true;
}

// ---- StrBufDict ----

StrBufDict::~StrBufDict() {
  for (int i = 0; i < pairs.Count(); ++i) delete static_cast<Pair*>(pairs.Get(i));
}

const StrPtr* StrBufDict::LookupVar(const StrPtr& name) const {
  for (int i = 0; i < count; ++i) {
    Pair* p = static_cast<Pair*>(pairs.Get(i));
    if (SameName(p->name, name)) return &p->value;
  }
  return nullptr;
}

void StrBufDict::StoreVar(const StrPtr& name, const StrPtr& value) {
  if (count == pairs.Count()) pairs.Put(new Pair);
  Pair* p = static_cast<Pair*>(pairs.Get(count++));
  p->name.Set(name);
  p->value.Set(value);
}

void StrBufDict::DropVar(const StrPtr& name) {
  for (int i = 0; i < count; ++i) {
    Pair* p = static_cast<Pair*>(pairs.Get(i));
    if (SameName(p->name, name)) {
      --count;
      pairs.Exchange(i, count);
      return;
    }
  }
}

bool StrBufDict::VarAt(int i, StrPtr* name, StrPtr* value) const {
  if (i < 0 || i >= count) return false;
  Pair* p = static_cast<Pair*>(pairs.Get(i));
  *name = p->name;
  *value = p->value;
  return true;
}

// ---- BufferDict ----

const StrPtr* BufferDict::LookupVar(const StrPtr& name) const {
  for (int i = 0; i < count; ++i) {
    const Desc& d = descs[i];
    if (d.nameLen == name.Length() && memcmp(buf.Text() + d.nameOff, name.Text(), d.nameLen) == 0) {
      answer.Set(buf.Text() + d.valueOff, d.valueLen);
      return &answer;
    }
  }
  return nullptr;
}

void BufferDict::StoreVar(const StrPtr& name, const StrPtr& value) {
  // When full, the 20th descriptor is overwritten.
  int slot = count < kMaxPairs ? count++ : kMaxPairs - 1;
  Desc& d = descs[slot];
  d.nameOff = buf.Length();
  d.nameLen = name.Length();
  buf.Append(name);
  buf.AppendUnterminated("", 1);
  d.valueOff = buf.Length();
  d.valueLen = value.Length();
  buf.Append(value);
  buf.AppendUnterminated("", 1);
  buf.NulTerminate();
}

void BufferDict::DropVar(const StrPtr& name) {
  if (count == 0) return;
  const Desc& d = descs[count - 1];
  if (d.nameLen == name.Length() && memcmp(buf.Text() + d.nameOff, name.Text(), d.nameLen) == 0)
    --count;
}

bool BufferDict::VarAt(int i, StrPtr* name, StrPtr* value) const {
  if (i < 0 || i >= count) return false;
  const Desc& d = descs[i];
  name->Set(buf.Text() + d.nameOff, d.nameLen);
  value->Set(buf.Text() + d.valueOff, d.valueLen);
  return true;
}
