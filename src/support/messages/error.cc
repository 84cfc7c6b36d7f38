#include "support/messages/error.h"

#include "support/text/str_dict.h"

const char* SeverityName(int severity) {
  switch (severity) {
    case E_EMPTY: return "empty";
    case E_INFO: return "info";
    case E_WARN: return "warning";
    default: return "error";
  }
}

// Each message keeps the values bound to its own places: two messages that
// name the same variable (ten failing files, each with its %file%) show
// their own values.
struct Error::Detail {
  StrBufDict vars[kMaxMessages];  // the variables of the message in each slot
  MessageId ids[kMaxMessages];
  int count = 0;
  const char* bindPlace = nullptr;  // where the next bound value goes
};

Error::Error() : severity_(E_EMPTY), generic_(0) {}
Error::~Error() {}

Error& Error::Set(const MessageId& id) {
  if (!detail_) detail_ = std::make_unique<Detail>();
  if (severity_ == E_EMPTY) detail_->count = 0;
  if (id.Severity() >= severity_) {
    severity_ = id.Severity();
    generic_ = id.Generic();
  }
  int slot = detail_->count < kMaxMessages ? detail_->count++ : kMaxMessages - 1;
  detail_->ids[slot] = id;
  detail_->vars[slot].DropAll();
  detail_->bindPlace = id.text;
  return *this;
}

Error& Error::Bind(const StrPtr& value) {
  if (!detail_ || !detail_->bindPlace) return *this;
  const char* p = detail_->bindPlace;
  for (;;) {
    p = strchr(p, '%');
    if (!p) {
      detail_->bindPlace = nullptr;  // no place left: the value is dropped
      return *this;
    }
    if (p[1] == '\'') {
      // A literal section is passed over.
      const char* close = strstr(p + 2, "'%");
      if (!close) {
        detail_->bindPlace = nullptr;
        return *this;
      }
      p = close + 2;
      continue;
    }
    if (p[1] == '%') {
      p += 2;
      continue;
    }
    const char* nameEnd = strchr(p + 1, '%');
    if (!nameEnd) {
      detail_->bindPlace = nullptr;
      return *this;
    }
    StrPtr name(p + 1, static_cast<uint32_t>(nameEnd - p - 1));
    if (name.Length() == 0 || name[0] != '!') {
      StrBufDict& vars = detail_->vars[detail_->count - 1];
      vars.DropVar(name);  // a name met twice takes the later value
      vars.StoreVar(name, value);
    }
    detail_->bindPlace = nameEnd + 1;
    return *this;
  }
}

Error& Error::operator<<(const StrPtr& value) { return Bind(value); }
Error& Error::operator<<(const char* value) { return Bind(StrPtr(value)); }
Error& Error::operator<<(const std::string& value) {
  return Bind(StrPtr(value.data(), static_cast<uint32_t>(value.size())));
}
Error& Error::BindInt(int64_t value) {
  char tmp[24];
  return Bind(StrPtr(FormatInt64(value, tmp + sizeof(tmp))));
}

int Error::Count() const {
  if (severity_ == E_EMPTY || !detail_) return 0;
  return detail_->count;
}

const MessageId* Error::MessageAt(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return &detail_->ids[i];
}

bool Error::Has(const MessageId& id) const {
  for (int i = 0; i < Count(); ++i)
    if (detail_->ids[i].code == id.code) return true;
  return false;
}

const StrDict* Error::Vars(int i) const {
  return i >= 0 && i < Count() ? &detail_->vars[i] : nullptr;
}

void Error::FormatOne(int index, StrBuf* out, int flags) const {
  StrPtr text(detail_->ids[index].text);
  if (!(flags & 4)) {
    const StrPtr* local = detail_->vars[index].GetVar(StrPtr("lfmt"), index);
    if (local) text = *local;
  }
  if (flags & 8) {
    out->AppendInt(detail_->ids[index].UniqueCode());
    out->AppendChar(':');
  }
  if (flags & 1) out->AppendChar('\t');
  ExpandVariables(text, detail_->vars[index], out);
}

void Error::FormatMessages(StrBuf* out, int flags) const {
  if (severity_ == E_EMPTY || !detail_) return;
  if (severity_ != E_INFO) out->Clear();
  for (int i = detail_->count - 1; i >= 0; --i) {
    FormatOne(i, out, flags);
    if (i > 0 || (flags & 2)) out->AppendChar('\n');
  }
}

void Error::FormatMessages(int n, StrBuf* out, int flags) const {
  if (severity_ == E_EMPTY || !detail_) return;
  if (severity_ != E_INFO) out->Clear();
  if (n < 1 || n > detail_->count) return;
  FormatOne(n - 1, out, flags);
  if (flags & 2) out->AppendChar('\n');
}

std::string Error::Text() const {
  StrBuf out;
  FormatMessages(&out, 0);
  return out.ToString();
}

void Error::ExportVars(StrDict* dict, bool raw) const {
  if (!detail_ || severity_ == E_EMPTY) return;
  for (int i = 0; i < detail_->count; ++i) {
    dict->SetVarInt(StrPtr("code"), i, detail_->ids[i].code);
    if (raw) {
      dict->SetVar(StrPtr("fmt"), i, StrPtr(detail_->ids[i].text));
    } else {
      StrBuf plain;
      StripQuoting(StrPtr(detail_->ids[i].text), &plain);
      dict->SetVar(StrPtr("fmt"), i, plain);
    }
  }
  StrPtr name, value;
  for (int m = 0; m < detail_->count; ++m) {
    for (int i = 0; detail_->vars[m].VarAt(i, &name, &value); ++i) {
      if (name.EqualExact(StrPtr("func"))) continue;
      if (name.Length() >= 4 && !memcmp(name.Text(), "code", 4)) continue;
      if (name.Length() >= 3 && !memcmp(name.Text(), "fmt", 3)) continue;
      dict->StoreVar(name, value);
    }
  }
}

void Error::Merge(const Error& other) {
  if (other.severity_ == E_EMPTY || !other.detail_) return;
  // Each message comes over with the values of its own places.
  StrPtr name, value;
  for (int i = 0; i < other.detail_->count; ++i) {
    Set(other.detail_->ids[i]);
    detail_->bindPlace = nullptr;
    StrBufDict& vars = detail_->vars[detail_->count - 1];
    for (int k = 0; other.detail_->vars[i].VarAt(k, &name, &value); ++k) vars.StoreVar(name, value);
  }
}

// ---- template expansion ----

static const char* Find(const char* p, const char* end, char c) {
  return static_cast<const char*>(memchr(p, c, static_cast<size_t>(end - p)));
}

static const char* FindPair(const char* p, const char* end, char a, char b) {
  for (; p + 1 < end; ++p)
    if (p[0] == a && p[1] == b) return p;
  return nullptr;
}

static void Put(StrBuf* out, const char* from, const char* to) {
  if (to > from) out->Append(from, static_cast<uint32_t>(to - from));
}

void ExpandVariables(const StrPtr& format, const StrDict& dict, StrBuf* out) {
  const char* p = format.Text();
  const char* end = format.End();
  const char* seg = p;  // start of the literal text since the previous place
  out->NulTerminate();
  for (;;) {
    const char* q = Find(p, end, '%');
    if (!q) {
      Put(out, seg, end);
      return;
    }
    if (q + 1 < end && q[1] == '\'') {
      const char* close = FindPair(q + 2, end, '\'', '%');
      if (!close) {
        Put(out, seg, end);
        return;
      }
      Put(out, seg, q);
      Put(out, q + 2, close);
      p = seg = close + 2;
      continue;
    }
    if (q + 1 < end && q[1] == '%') {
      Put(out, seg, q);
      out->AppendChar('%');
      p = seg = q + 2;
      continue;
    }
    const char* nameEnd = Find(q + 1, end, '%');
    if (!nameEnd) {
      Put(out, seg, end);
      return;
    }
    uint32_t nameLen = static_cast<uint32_t>(nameEnd - q - 1);
    if (nameLen > 63) nameLen = 63;
    const StrPtr* value = dict.LookupVar(StrPtr(q + 1, nameLen));
    const char* bracket = Find(seg, q, '[');
    if (!bracket) {
      Put(out, seg, q);
      if (value) out->Append(*value);
      p = seg = nameEnd + 1;
      continue;
    }
    // An optional section: "[" ... %var% ... "|" alternative "]".
    const char* close = Find(nameEnd + 1, end, ']');
    if (!close) {
      Put(out, seg, end);
      return;
    }
    Put(out, seg, bracket);
    const char* bar = Find(nameEnd + 1, close, '|');
    if (value && value->Length()) {
      Put(out, bracket + 1, q);
      out->Append(*value);
      Put(out, nameEnd + 1, bar ? bar : close);
    } else if (bar) {
      Put(out, bar + 1, close);
    }
    p = seg = close + 1;
  }
}

void StripQuoting(const StrPtr& format, StrBuf* out) {
  const char* p = format.Text();
  const char* end = format.End();
  out->NulTerminate();
  for (;;) {
    const char* q = Find(p, end, '%');
    if (!q) {
      Put(out, p, end);
      return;
    }
    if (q + 1 < end && q[1] == '\'') {
      const char* close = FindPair(q + 2, end, '\'', '%');
      if (!close) {
        Put(out, p, end);
        return;
      }
      Put(out, p, q);
      Put(out, q + 2, close);
      p = close + 2;
      continue;
    }
    if (q + 1 < end && q[1] == '%') {
      Put(out, p, q + 2);
      p = q + 2;
      continue;
    }
    const char* nameEnd = Find(q + 1, end, '%');
    if (!nameEnd) {
      Put(out, p, end);
      return;
    }
    Put(out, p, nameEnd + 1);
    p = nameEnd + 1;
  }
}
