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
  StrDict vars[kMaxMessages];  // the variables of the message in each slot
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
  const char* end = p + strlen(p);
  for (;;) {
    FormatMarker m = NextMarker(p, end);
    if (m.kind == FormatMarker::kNone) {
      detail_->bindPlace = nullptr;  // no place left: the value is dropped
      return *this;
    }
    p = m.end;
    if (m.kind != FormatMarker::kPlace) continue;
    // A name met twice takes the later value; a "!" place takes none.
    if (m.text.Length() == 0 || m.text[0] != '!') detail_->vars[detail_->count - 1].SetVar(m.text, value);
    detail_->bindPlace = m.end;
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

void Error::Merge(const Error& other) {
  if (other.severity_ == E_EMPTY || !other.detail_) return;
  // Each message comes over with the values of its own places.
  StrPtr name, value;
  for (int i = 0; i < other.detail_->count; ++i) {
    Set(other.detail_->ids[i]);
    detail_->bindPlace = nullptr;
    StrDict& vars = detail_->vars[detail_->count - 1];
    for (int k = 0; other.detail_->vars[i].VarAt(k, &name, &value); ++k) vars.SetVar(name, value);
  }
}

// ---- template expansion ----

static const char* Find(const char* p, const char* end, char c) {
  return static_cast<const char*>(memchr(p, c, static_cast<size_t>(end - p)));
}

static void Put(StrBuf* out, const char* from, const char* to) {
  if (to > from) out->Append(from, static_cast<uint32_t>(to - from));
}

FormatMarker NextMarker(const char* p, const char* end) {
  FormatMarker m;
  const char* q = Find(p, end, '%');
  if (!q) return m;
  m.begin = q;
  if (q + 1 < end && q[1] == '%') {
    m.kind = FormatMarker::kPercent;
    m.end = q + 2;
    return m;
  }
  if (q + 1 < end && q[1] == '\'') {
    for (const char* c = q + 2; c + 1 < end; ++c) {
      if (c[0] == '\'' && c[1] == '%') {
        m.kind = FormatMarker::kLiteral;
        m.text.Set(q + 2, static_cast<uint32_t>(c - q - 2));
        m.end = c + 2;
        return m;
      }
    }
    return FormatMarker();
  }
  const char* nameEnd = Find(q + 1, end, '%');
  if (!nameEnd) return FormatMarker();
  m.kind = FormatMarker::kPlace;
  m.text.Set(q + 1, static_cast<uint32_t>(nameEnd - q - 1));
  m.end = nameEnd + 1;
  return m;
}

void ExpandVariables(const StrPtr& format, const StrDict& dict, StrBuf* out) {
  const char* end = format.End();
  const char* seg = format.Text();  // start of the literal text since the previous marker
  out->NulTerminate();
  for (;;) {
    FormatMarker m = NextMarker(seg, end);
    if (m.kind == FormatMarker::kNone) {
      Put(out, seg, end);
      return;
    }
    if (m.kind != FormatMarker::kPlace) {
      Put(out, seg, m.begin);
      if (m.kind == FormatMarker::kLiteral) out->Append(m.text);
      else out->AppendChar('%');
      seg = m.end;
      continue;
    }
    StrPtr name(m.text.Text(), m.text.Length() > 63 ? 63 : m.text.Length());
    const StrPtr* value = dict.LookupVar(name);
    const char* bracket = Find(seg, m.begin, '[');
    if (!bracket) {
      Put(out, seg, m.begin);
      if (value) out->Append(*value);
      seg = m.end;
      continue;
    }
    // An optional section: "[" ... %var% ... "|" alternative "]".
    const char* close = Find(m.end, end, ']');
    if (!close) {
      Put(out, seg, end);
      return;
    }
    Put(out, seg, bracket);
    const char* bar = Find(m.end, close, '|');
    if (value && value->Length()) {
      Put(out, bracket + 1, m.begin);
      out->Append(*value);
      Put(out, m.end, bar ? bar : close);
    } else if (bar) {
      Put(out, bar + 1, close);
    }
    seg = close + 1;
  }
}
