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
  const PatternElement* el = side.Elements();
  for (int i = 0; i <= side.End(); ++i) {
    if (i == pos) out->AppendChar(marker);
    AppendElementText(el[i], out);
  }
}

}  // namespace

void Joiner::Join(const MapSide& A, const MapSide& B) {
  Clear();
  NulTerminate();
  tooManyWildcards = false;
  firstCaptures.Reset();
  secondCaptures.Reset();
  const int trace = GetLevel(DT_MAP);
  if (trace >= 4) DebugPrintf("--- '%s','%s' ----\n", A.Text().Text(), B.Text().Text());
  if (!A.Usable() || !B.Usable()) return;

  const PatternElement* ea = A.Elements();
  const PatternElement* eb = B.Elements();
  int k = A.LiteralPrefixLength() < B.LiteralPrefixLength() ? A.LiteralPrefixLength() : B.LiteralPrefixLength();
  for (int i = k - 1; i >= 0; --i)
    if (!PatternByteEqual(ea[i].byte, eb[i].byte, ea[i].caseMode)) return;

  JoinFrame stack[kMaxFrames];
  int depth = 0;  // stack[depth] is the current frame
  int a = k, b = k, state = 0, n = 0;
  StrBuf line;

  // Appends the wildcard that stands for two overlapping wildcards.
  auto appendNewWildcard = [&](int kindA, int kindB) {
    if (kindA == ElementDots && kindB == ElementDots) {
      Append("...", 3);
    } else {
      ++n;
      // Positional slots are single digits: the tenth new wildcard takes
      // the otherwise unused %%0 rather than a "%%10" that would read back
      // as %%1 followed by a literal 0.
      char t[4] = {'%', '%', static_cast<char>('0' + n % 10), 0};
      Append(t, 3);
    }
  };

  for (int steps = 0;; ++steps) {
    if (steps >= kMaxSteps) {
      tooManyWildcards = true;
      return;
    }
    int action = kActions[state][ea[a].kind][eb[b].kind];
    if (action == kMatch && !PatternByteEqual(ea[a].byte, eb[b].byte, ea[a].caseMode)) action = kMiss;
    if ((action == kLhsWild || action == kRhsWild || action == kBothStar) && depth >= kMaxFrames - 2) {
      tooManyWildcards = true;  // cannot happen within the wildcard limits
      return;
    }
    if (trace >= 4) {
      line.Clear();
      AppendMarked(A, a, state == 1 ? '=' : '-', &line);
      line.Append(" ");
      AppendMarked(B, b, state == 2 ? '=' : '-', &line);
      DebugPrintf("%s) %d-> %s '%s'\n", line.Text(), depth, kActionNames[action], Text());
    }
    JoinFrame& cur = stack[depth];
    switch (action) {
      case kMatch:
        ++a;
        ++b;
        state = 0;
        break;

      case kLhsWild:
        cur = JoinFrame();
        cur.a = a;
        cur.b = b;
        cur.capture = CaptureRef{&firstCaptures, ea[a].slot};
        cur.resume = 1;
        cur.n = n;
        cur.capture.Start() = cur.capture.End() = static_cast<int>(Length());
        ++depth;
        ++a;
        state = 0;
        break;

      case kRhsWild:
        cur = JoinFrame();
        cur.a = a;
        cur.b = b;
        cur.capture = CaptureRef{&secondCaptures, eb[b].slot};
        cur.resume = 2;
        cur.n = n;
        cur.capture.Start() = cur.capture.End() = static_cast<int>(Length());
        ++depth;
        ++b;
        state = 0;
        break;

      case kLhsNext:
        // A's wildcard takes B's byte.
        AppendChar(static_cast<char>(eb[b].byte));
        cur.capture.End() = static_cast<int>(Length());
        cur.b = ++b;
        state = cur.resume;
        if (kActions[state][ea[a].kind][eb[b].kind] != kLhsStar) {
          cur.a = a;
          ++a;
          ++depth;
          state = 0;
        }
        break;

      case kRhsNext:
        // B's wildcard takes A's byte.
        AppendChar(static_cast<char>(ea[a].byte));
        cur.capture.End() = static_cast<int>(Length());
        cur.a = ++a;
        state = cur.resume;
        if (kActions[state][ea[a].kind][eb[b].kind] != kRhsStar) {
          cur.b = b;
          ++b;
          ++depth;
          state = 0;
        }
        break;

      case kBothStar:
      case kLhsStar: {
        if (action == kBothStar) {
          cur = JoinFrame();
          cur.capture = CaptureRef{&firstCaptures, ea[a].slot};
          cur.resume = 1;
          cur.capture.Start() = static_cast<int>(Length());
        }
        // A's wildcard (the current frame's) meets B's wildcard.
        JoinFrame& second = stack[depth + 1];
        second = JoinFrame();
        second.capture = CaptureRef{&secondCaptures, eb[b].slot};
        second.capture.Start() = static_cast<int>(Length());
        appendNewWildcard(ea[a].kind, eb[b].kind);
        int len = static_cast<int>(Length());
        cur.capture.End() = second.capture.End() = len;
        cur.a = a;
        cur.b = b + 1;
        cur.n = n;
        cur.partner = second.capture;
        cur.partnerEnd = len;
        second.a = a + 1;
        second.b = b;
        second.resume = 2;
        second.n = n;
        second.partner = cur.capture;
        second.partnerEnd = len;
        ++a;
        ++b;
        depth += 2;
        state = 0;
        break;
      }

      case kRhsStar: {
        // B's wildcard (the current frame's) meets A's wildcard.
        JoinFrame& second = stack[depth + 1];
        second = JoinFrame();
        second.capture = CaptureRef{&firstCaptures, ea[a].slot};
        second.capture.Start() = static_cast<int>(Length());
        appendNewWildcard(ea[a].kind, eb[b].kind);
        int len = static_cast<int>(Length());
        cur.capture.End() = second.capture.End() = len;
        cur.a = a + 1;
        cur.b = b;
        cur.n = n;
        cur.partner = second.capture;
        cur.partnerEnd = len;
        second.a = a;
        second.b = b + 1;
        second.resume = 1;
        second.n = n;
        second.partner = cur.capture;
        second.partnerEnd = len;
        ++a;
        ++b;
        depth += 2;
        state = 0;
        break;
      }

      case kOk:
        if (n > kMaxNewWildcards) {
          tooManyWildcards = true;
          return;
        }
        Joined();
        [[fallthrough]];

      case kMiss: {
        if (depth == 0) return;
        JoinFrame& f = stack[--depth];
        SetLength(static_cast<uint32_t>(f.capture.End()));
        NulTerminate();
        n = f.n;
        a = f.a;
        b = f.b;
        state = f.resume;
        if (f.partner.table) f.partner.End() = f.partnerEnd;
        break;
      }
    }
  }
}
