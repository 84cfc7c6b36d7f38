// The join of two map patterns: a backtracking walk over both patterns
// driven by per-state action tables.
#include "map/map_join.h"

#include "support/messages/debug.h"

namespace {

enum JoinAction {
  kMatch = 0,
  kLhsWild = 1,
  kLhsNext = 2,
  kRhsWild = 3,
  kRhsNext = 4,
  kBothStar = 5,
  kLhsStar = 6,
  kRhsStar = 7,
  kMiss = 8,
  kOk = 9
};

const char* const kActionNames[] = {"MATCH",     "LHS-WILD", "LHS-NEXT", "RHS-WILD", "RHS-NEXT",
                                    "BOTH-STAR", "LHS-STAR", "RHS-STAR", "MISS",     "OK"};

// [state][kind of A's element][kind of B's element]; kinds in the order
// end, literal, slash, positional, star, dots. State 0: no wildcard is
// absorbing; 1: a wildcard of A is; 2: a wildcard of B is.
const unsigned char kActions[3][6][6] = {
    {
        {9, 8, 8, 3, 3, 3},
        {8, 0, 8, 3, 3, 3},
        {8, 8, 0, 3, 3, 3},
        {1, 1, 1, 5, 5, 5},
        {1, 1, 1, 5, 5, 5},
        {1, 1, 1, 5, 5, 5},
    },
    {
        {9, 8, 8, 8, 8, 8},
        {8, 0, 8, 4, 4, 4},
        {8, 8, 0, 8, 8, 4},
        {8, 2, 8, 6, 6, 6},
        {8, 2, 8, 6, 6, 6},
        {8, 2, 2, 6, 6, 6},
    },
    {
        {9, 8, 8, 8, 8, 8},
        {8, 0, 8, 4, 4, 4},
        {8, 8, 0, 8, 8, 4},
        {8, 2, 8, 7, 7, 7},
        {8, 2, 8, 7, 7, 7},
        {8, 2, 2, 7, 7, 7},
    },
};

// One capture pair: a slot of one of the two capture tables.
struct CaptureRef {
  MapCaptures* table = nullptr;
  int slot = 0;
  int& Start() const { return table->start[slot]; }
  int& End() const { return table->end[slot]; }
};

struct JoinFrame {
  int a = 0, b = 0;   // positions to resume at
  CaptureRef capture; // the capture this frame's wildcard extends
  int resume = 0;     // state to resume in (1 or 2)
  int n = 0;          // new-wildcard counter
  // A frame made where two wildcards met remembers the other wildcard's
  // capture and where it ended, so that resuming this frame puts that
  // capture back (it may have grown on a branch since abandoned).
  CaptureRef partner;
  int partnerEnd = 0;
};

// Appends one element of a pattern as text, for the trace.
void AppendElementText(const PatternElement& el, StrBuf* out) {
  switch (el.kind) {
    case ElementEnd: break;
    case ElementDots: out->Append("..."); break;
    case ElementStar: out->Append("*"); break;
    case ElementPositional: {
      char t[4] = {'%', '%', static_cast<char>('0' + el.slot), 0};
      out->Append(t);
      break;
    }
    default: out->AppendChar(static_cast<char>(el.byte)); break;
  }
}

void AppendMarked(const MapSide& side, int pos, char marker, StrBuf* out) {
  const PatternElements el = side.Elements();
  for (int i = 0; i <= side.End(); ++i) {
    if (i == pos) out->AppendChar(marker);
    AppendElementText(el[i], out);
  }
}

// The walk over both patterns: the position in each, the state (which
// side's wildcard is absorbing) and the backtracking frames. Each action of
// the table is one small step; the walk writes the joined text into the
// Joiner and hands it every intersection.
class JoinWalk {
 public:
  JoinWalk(Joiner* out, const MapSide& A, const MapSide& B, int start)
      : out_(out), A_(A), B_(B), ea_(A.Elements()), eb_(B.Elements()), a_(start), b_(start) {}

  // Walks every intersection; stops early with tooManyWildcards set.
  void Run() {
    const int trace = GetLevel(kDebugMap);
    for (int steps = 0;; ++steps) {
      if (steps >= Joiner::kMaxSteps) {
        out_->tooManyWildcards = true;
        return;
      }
      int action = kActions[state_][ea_[a_].kind][eb_[b_].kind];
      if (action == kMatch && !PatternByteEqual(ea_[a_].byte, eb_[b_].byte, ea_[a_].caseMode))
        action = kMiss;
      if ((action == kLhsWild || action == kRhsWild || action == kBothStar) &&
          depth_ >= Joiner::kMaxFrames - 2) {
        out_->tooManyWildcards = true;  // cannot happen within the wildcard limits
        return;
      }
      if (trace >= 4) Trace(action);
      if (!Step(action)) return;
    }
  }

 private:
  // Carries out one action; false when the walk is over.
  bool Step(int action) {
    switch (action) {
      case kMatch: ++a_; ++b_; state_ = 0; return true;
      case kLhsWild: Push(true); return true;
      case kRhsWild: Push(false); return true;
      case kLhsNext: Absorb(true); return true;
      case kRhsNext: Absorb(false); return true;
      case kBothStar: StartFrame(CaptureRef{&out_->firstCaptures, ea_[a_].slot}, 1); Meet(true); return true;
      case kLhsStar: Meet(true); return true;
      case kRhsStar: Meet(false); return true;
      case kOk:
        if (n_ > Joiner::kMaxNewWildcards) {
          out_->tooManyWildcards = true;
          return false;
        }
        out_->Joined();
        return Backtrack();
      default: return Backtrack();  // kMiss
    }
  }

  int Length() const { return static_cast<int>(out_->Length()); }

  // Makes the current frame a fresh one for capture, resuming in state resume.
  void StartFrame(CaptureRef capture, int resume) {
    JoinFrame& cur = stack_[depth_];
    cur = JoinFrame();
    cur.capture = capture;
    cur.resume = resume;
    cur.capture.Start() = Length();
  }

  // A wildcard of A (lhs) or of B begins to absorb the other side's bytes.
  void Push(bool lhs) {
    if (lhs) StartFrame(CaptureRef{&out_->firstCaptures, ea_[a_].slot}, 1);
    else StartFrame(CaptureRef{&out_->secondCaptures, eb_[b_].slot}, 2);
    JoinFrame& cur = stack_[depth_];
    cur.a = a_;
    cur.b = b_;
    cur.n = n_;
    cur.capture.End() = Length();
    ++depth_;
    ++(lhs ? a_ : b_);
    state_ = 0;
  }

  // The absorbing wildcard of A (lhs) or of B takes the other side's byte.
  void Absorb(bool lhs) {
    JoinFrame& cur = stack_[depth_];
    int& mine = lhs ? a_ : b_;
    int& other = lhs ? b_ : a_;
    const PatternElements& otherElements = lhs ? eb_ : ea_;
    out_->AppendChar(static_cast<char>(otherElements[other].byte));
    cur.capture.End() = Length();
    (lhs ? cur.b : cur.a) = ++other;
    state_ = cur.resume;
    if (kActions[state_][ea_[a_].kind][eb_[b_].kind] != (lhs ? kLhsStar : kRhsStar)) {
      (lhs ? cur.a : cur.b) = mine;
      ++mine;
      ++depth_;
      state_ = 0;
    }
  }

  // The current frame's wildcard (of A when lhs, else of B) meets a
  // wildcard of the other side: one new wildcard stands for both, and two
  // frames remember how each could instead go on absorbing.
  void Meet(bool lhs) {
    JoinFrame& cur = stack_[depth_];
    JoinFrame& second = stack_[depth_ + 1];
    second = JoinFrame();
    second.capture = lhs ? CaptureRef{&out_->secondCaptures, eb_[b_].slot}
                         : CaptureRef{&out_->firstCaptures, ea_[a_].slot};
    second.capture.Start() = Length();
    AppendNewWildcard(ea_[a_].kind, eb_[b_].kind);
    int len = Length();
    cur.capture.End() = second.capture.End() = len;
    cur.a = lhs ? a_ : a_ + 1;
    cur.b = lhs ? b_ + 1 : b_;
    cur.n = n_;
    cur.partner = second.capture;
    cur.partnerEnd = len;
    second.a = lhs ? a_ + 1 : a_;
    second.b = lhs ? b_ : b_ + 1;
    second.resume = lhs ? 2 : 1;
    second.n = n_;
    second.partner = cur.capture;
    second.partnerEnd = len;
    ++a_;
    ++b_;
    depth_ += 2;
    state_ = 0;
  }

  // Resumes the last frame; false when none is left.
  bool Backtrack() {
    if (depth_ == 0) return false;
    JoinFrame& f = stack_[--depth_];
    out_->SetLength(static_cast<uint32_t>(f.capture.End()));
    out_->NulTerminate();
    n_ = f.n;
    a_ = f.a;
    b_ = f.b;
    state_ = f.resume;
    if (f.partner.table) f.partner.End() = f.partnerEnd;
    return true;
  }

  // Appends the wildcard that stands for two overlapping wildcards.
  void AppendNewWildcard(int kindA, int kindB) {
    if (kindA == ElementDots && kindB == ElementDots) {
      out_->Append("...", 3);
      return;
    }
    ++n_;
    // Positional slots are single digits: the tenth new wildcard takes the
    // otherwise unused %%0 rather than a "%%10" that would read back as %%1
    // followed by a literal 0.
    char t[4] = {'%', '%', static_cast<char>('0' + n_ % 10), 0};
    out_->Append(t, 3);
  }

  void Trace(int action) {
    line_.Clear();
    AppendMarked(A_, a_, state_ == 1 ? '=' : '-', &line_);
    line_.Append(" ");
    AppendMarked(B_, b_, state_ == 2 ? '=' : '-', &line_);
    DebugPrintf("%s) %d-> %s '%s'\n", line_.Text(), depth_, kActionNames[action], out_->Text());
  }

  Joiner* out_;
  const MapSide& A_;
  const MapSide& B_;
  const PatternElements ea_;
  const PatternElements eb_;
  JoinFrame stack_[Joiner::kMaxFrames];
  int depth_ = 0;  // stack_[depth_] is the current frame
  int a_, b_;      // positions in A and B
  int state_ = 0;
  int n_ = 0;      // new wildcards so far
  StrBuf line_;    // the trace line
};

}  // namespace

void Joiner::Join(const MapSide& A, const MapSide& B) {
  Clear();
  NulTerminate();
  tooManyWildcards = false;
  firstCaptures.Reset();
  secondCaptures.Reset();
  if (GetLevel(kDebugMap) >= 4) DebugPrintf("--- '%s','%s' ----\n", A.Text().Text(), B.Text().Text());
  if (!A.Usable() || !B.Usable()) return;

  const PatternElements ea = A.Elements();
  const PatternElements eb = B.Elements();
  int k = A.LiteralPrefixLength() < B.LiteralPrefixLength() ? A.LiteralPrefixLength() : B.LiteralPrefixLength();
  for (int i = k - 1; i >= 0; --i)
    if (!PatternByteEqual(ea[i].byte, eb[i].byte, ea[i].caseMode)) return;
  JoinWalk(this, A, B, k).Run();
}
