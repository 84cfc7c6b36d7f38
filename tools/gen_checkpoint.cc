// gen_checkpoint: writes a deterministic synthetic checkpoint that looks like
// the dump of a busy server, from a few kilobytes to many gigabytes.
//
// The tables come in the order a server writes them (alphabetical), each
// given a share of the requested size: configuration and counters, depots,
// clients, labels, branches and streams (db.domain), groups, users, changes
// with multi-line descriptions, revisions, have lists, integrations, labels,
// opened files, views and protections. Every record has exactly the fields
// its table version has, and every field is written in standard format, so
// a standard-format rewrite of the output is byte-identical to it.
//
// A chosen fraction of the directory components and client names also
// appears in a second spelling (the case of one letter flipped) in about a
// quarter of the records that use them: the case conflicts to be found.
//
// Usage: gen_checkpoint [options] OUTPUT
//   --size-mb N        approximate size of the plain text (default 10)
//   --seed N           seed of the generator (default 1)
//   --variants F       fraction of components with a second spelling
//                      (default 0.02; 0 gives a case-consistent checkpoint)
//   --unicode          header note with the Unicode flag
//   --dir              OUTPUT is a parallel checkpoint directory, one file
//                      per table (db.rev.ckp, ...), each with its own notes
//   --split-mb N       with --dir, split a table into numbered parts of
//                      about N MB (db.rev.ckp, db.rev#00000001.ckp, ...)
//   --gzip             gzip-compress the output (also when OUTPUT ends in
//                      ".gz"); with --dir every table file gets ".gz"
//   --profile NAME     the shape of the server: "changes" (the default:
//                      many changes with long descriptions, 16 files per
//                      directory) or "paths" (have lists and revisions make
//                      at least 85% of the records, directories 4 to 8 levels
//                      deep with 2000 files each, every file in the have list
//                      of several clients)
//
// The output is a pure function of the options: the same options always
// give the same bytes.
#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Random numbers: splitmix64, fast and stable across platforms.

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x2545F4914F6CDD1Dull + 1) {}
  uint64_t Next() { return Mix(state_++); }
  // A number in [0, n).
  uint64_t Below(uint64_t n) { return n ? Next() % n : 0; }
  // A number in [lo, hi].
  int64_t Range(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(Below(hi - lo + 1)); }
  bool Chance(double p) { return (Next() >> 11) * (1.0 / 9007199254740992.0) < p; }

 private:
  uint64_t state_;
};

// A stable hash of a few numbers, for choices that must not depend on the
// order in which records are written.
uint64_t Hash(uint64_t a, uint64_t b = 0, uint64_t c = 0) {
  return Mix(Mix(Mix(a) ^ b) ^ c);
}

// ---------------------------------------------------------------------------
// Output sinks: a plain file or a gzip stream.

class Sink {
 public:
  Sink() = default;
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  ~Sink() { Close(); }

  // Creates the file; false (with a message on stderr) on failure.
  bool Open(const std::string& path, bool gzip) {
    path_ = path;
    if (gzip) {
      gz_ = gzopen(path.c_str(), "wb6");
      if (!gz_) {
        fprintf(stderr, "gen_checkpoint: cannot create %s\n", path.c_str());
        return false;
      }
      gzbuffer(gz_, 1 << 20);
    } else {
      plain_ = fopen(path.c_str(), "wb");
      if (!plain_) {
        fprintf(stderr, "gen_checkpoint: cannot create %s: %s\n", path.c_str(), strerror(errno));
        return false;
      }
    }
    return true;
  }

  // Writes the bytes; false on a failed write.
  bool Write(const char* p, size_t n) {
    if (n == 0) return true;
    if (gz_) return gzwrite(gz_, p, static_cast<unsigned>(n)) == static_cast<int>(n);
    return plain_ && fwrite(p, 1, n, plain_) == n;
  }

  // Flushes and closes; false when anything failed.
  bool Close() {
    bool ok = true;
    if (gz_) ok = gzclose(gz_) == Z_OK;
    if (plain_) ok = fclose(plain_) == 0;
    gz_ = nullptr;
    plain_ = nullptr;
    return ok;
  }

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  FILE* plain_ = nullptr;
  gzFile gz_ = nullptr;
};

// ---------------------------------------------------------------------------
// Record text in standard format, collected in one reused buffer.

class RecordWriter {
 public:
  // Starts a record with the op code, table version and table name.
  void Begin(const char* op, int version, const char* table) {
    Text(op);
    Num(version);
    Text(table);
  }
  // Ends the record with its newline; counts the bytes of the table.
  void End() {
    buf_.push_back('\n');
    ++records_;
  }

  // A field in standard format: bare when it is 1 to 32 digits or exactly
  // 32 hexadecimal digits, otherwise quoted with "@" doubled.
  void Field(const char* p, size_t n) {
    if (IsBare(p, n)) {
      buf_.append(p, n);
    } else {
      buf_.push_back('@');
      const char* end = p + n;
      for (;;) {
        const char* at = static_cast<const char*>(memchr(p, '@', end - p));
        if (!at) break;
        buf_.append(p, at + 1 - p);
        buf_.push_back('@');
        p = at + 1;
      }
      buf_.append(p, end - p);
      buf_.push_back('@');
    }
    buf_.push_back(' ');
  }
  void Text(const char* s) { Field(s, strlen(s)); }
  void Text(const std::string& s) { Field(s.data(), s.size()); }
  void Num(int64_t v) {
    char tmp[24];
    int n = snprintf(tmp, sizeof tmp, "%" PRId64, v);
    Field(tmp, n);
  }
  // 32 hexadecimal digits in capitals, written bare like a digest.
  void Digest(uint64_t a, uint64_t b) {
    char tmp[40];
    snprintf(tmp, sizeof tmp, "%016" PRIX64 "%016" PRIX64, a, b);
    Field(tmp, 32);
  }

  std::string& Buffer() { return buf_; }
  const std::string& Buffer() const { return buf_; }
  int64_t Records() const { return records_; }

 private:
  static bool IsBare(const char* p, size_t n) {
    if (n == 0 || n > 32) return false;
    bool digits = true, hex = true;
    for (size_t i = 0; i < n; ++i) {
      unsigned char c = static_cast<unsigned char>(p[i]);
      bool d = c >= '0' && c <= '9';
      digits = digits && d;
      hex = hex && (d || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    }
    return digits || (n == 32 && hex);
  }

  std::string buf_;
  int64_t records_ = 0;
};

// ---------------------------------------------------------------------------
// Word pools for names.

const char* const kProjects[] = {
    "Apollo", "atlas", "Borealis", "cobalt", "Delta", "ember", "Falcon", "granite", "Horizon",
    "indigo", "Juniper", "kestrel", "Lumen", "meridian", "Nimbus", "orchid", "Pioneer",
    "quartz", "Radiant", "sierra", "Titan", "umbra", "Vertex", "willow", "Xenon", "yarrow",
    "Zephyr", "amber", "Beacon", "cascade", "Drift", "echo"};
const char* const kModules[] = {
    "src", "Source", "lib", "include", "docs", "test", "Tests", "tools", "build", "Config",
    "scripts", "resources", "Assets", "web", "server", "client", "Common", "core", "UI",
    "platform", "third_party", "Data", "proto", "api"};
const char* const kSubdirs[] = {
    "util", "Net", "io", "render", "Audio", "physics", "db", "Auth", "cache", "parser",
    "Engine", "memory", "threads", "Input", "network", "storage", "Widgets", "layout",
    "Fonts", "images", "Shaders", "models", "Scenes", "plugins"};
const char* const kStems[] = {
    "main", "Makefile", "README", "config", "Manager", "handler", "buffer", "Stream", "index",
    "Reader", "writer", "Parser", "lexer", "Socket", "table", "Vector", "string_util",
    "Logger", "timer", "Event", "queue", "Pool", "session", "Request", "response", "Matrix",
    "shader", "Texture", "mesh", "Player"};
const char* const kExts[] = {".c", ".h", ".cc", ".cpp", ".hpp", ".java", ".py", ".txt",
                             ".xml", ".json", ".md", ".png", ".dll", ".Jar", ".mk"};
const char* const kTypes[] = {"0", "1", "4099", "3", "65539", "2", "16"};  // text, binary...
// How a server stores each of those types: an RCS file (0), one file per
// revision (1) or one compressed file per revision (3).
const char* const kLbrTypes[] = {"0", "1", "3", "3", "3", "1", "0"};
const char* const kUsers[] = {
    "alice", "Bob", "carol", "dave", "Erin", "frank", "grace", "Heidi", "ivan", "judy",
    "Mallory", "niaj", "olivia", "Peggy", "rupert", "sybil", "Trent", "victor", "walter",
    "Xavier", "yolanda", "zoe", "build", "Jenkins"};
const char* const kWords[] = {
    "fix", "the", "build", "on", "Linux", "add", "support", "for", "new", "API", "refactor",
    "parser", "update", "docs", "release", "merge", "from", "main", "branch", "review:",
    "bug", "crash", "when", "loading", "large", "files", "user@example.com", "see", "job",
    "tests", "performance", "memory", "leak", "in", "cache", "layer", "@mention", "cleanup"};

template <size_t N>
size_t CountOf(const char* const (&)[N]) {
  return N;
}

// ---------------------------------------------------------------------------
// The synthetic server: its depots, projects, files, clients and labels.

struct Options {
  double sizeMb = 10;
  uint64_t seed = 1;
  double variants = 0.02;
  bool unicode = false;
  bool dir = false;
  double splitMb = 0;
  bool gzip = false;
  bool paths = false;  // --profile paths
  std::string output;
};

// Files per directory, directories per module and modules per project: a
// project holds kFilesPerProject files.
const int kFilesPerDir = 16;
const int kSubdirsPerModule = 16;
const int kModulesPerProject = 16;
const int kFilesPerProject = kFilesPerDir * kSubdirsPerModule * kModulesPerProject;

// The "paths" profile: four modules of four subdirectories per project,
// each subdirectory a chain of 2 to 6 more directories ending in a
// directory of kPathsFilesPerDir files.
const int kPathsFilesPerDir = 2000;
const int kPathsDirsPerProject = 16;
const int kPathsFilesPerProject = kPathsFilesPerDir * kPathsDirsPerProject;
const char* const kDeep[] = {"src", "main", "java", "com", "Acme", "internal", "impl",
                             "v2", "Generated", "platform", "share", "Legacy"};

const char* const kDepots[] = {"depot", "Projects", "streams"};

class Server {
 public:
  explicit Server(const Options& o) : opt_(o), rng_(o.seed) {
    total_ = static_cast<int64_t>(o.sizeMb * 1048576.0);
    // Sizes of the universe follow the size asked for, so that a bigger
    // checkpoint has more files, not only more revisions of the same ones.
    filesPerProject_ = o.paths ? kPathsFilesPerProject : kFilesPerProject;
    files_ = std::max<int64_t>(64, total_ / (o.paths ? 1000 : 1700));
    projects_ = std::max<int64_t>(1, (files_ + filesPerProject_ - 1) / filesPerProject_);
    // Path-heavy: about four clients have each project, so that the have
    // list holds every file several times.
    clients_ = o.paths ? std::max<int64_t>(8, projects_ * 4) : std::max<int64_t>(8, files_ / 600);
    labels_ = std::max<int64_t>(4, files_ / 4000);
    branches_ = std::max<int64_t>(2, projects_);
    changes_ = std::max<int64_t>(16, total_ / (o.paths ? 10000 : 2400));
    groups_ = std::max<int64_t>(3, clients_ / 20);
    users_ = std::max<int64_t>(CountOf(kUsers), clients_ / 3);
    if (o.dir && o.splitMb > 0)
      flushLimit_ = std::min<size_t>(flushLimit_, static_cast<size_t>(o.splitMb * 262144.0) + 1);
  }

  // Writes every table; false on an output failure.
  bool Run();

 private:
  // --- names -------------------------------------------------------------
  // True when the component (level, index) has a second spelling.
  bool HasVariant(int level, uint64_t id) const {
    if (opt_.variants <= 0) return false;
    return (Hash(opt_.seed, level * 1000003ull + 7, id) >> 11) * (1.0 / 9007199254740992.0) <
           opt_.variants;
  }
  // Appends a name, in its second spelling when `flip`: the case of its
  // first letter (or first letter after a digit run) is turned over.
  static void AppendName(std::string* out, const std::string& name, bool flip) {
    size_t at = out->size();
    out->append(name);
    if (!flip) return;
    for (size_t i = at; i < out->size(); ++i) {
      char& c = (*out)[i];
      if (c >= 'a' && c <= 'z') { c = static_cast<char>(c - 32); return; }
      if (c >= 'A' && c <= 'Z') { c = static_cast<char>(c + 32); return; }
    }
  }
  // Whether this use of the component is spelled the other way.
  bool Flip(int level, uint64_t id) { return HasVariant(level, id) && rng_.Below(4) == 0; }

  std::string ProjectName(int64_t p) const {
    std::string s = kProjects[p % CountOf(kProjects)];
    if (p >= static_cast<int64_t>(CountOf(kProjects))) s += std::to_string(p / CountOf(kProjects));
    return s;
  }
  int DepotOf(int64_t p) const { return static_cast<int>(p % 3); }
  std::string ClientName(int64_t c) const {
    return "ws-" + std::string(kUsers[c % CountOf(kUsers)]) + "-" + std::to_string(c);
  }
  std::string LabelName(int64_t l) const { return "Release-" + std::to_string(l / 10) + "." + std::to_string(l % 10); }
  std::string BranchName(int64_t b) const { return ProjectName(b) + "-rel"; }
  std::string StreamName(int64_t p) const { return "//streams/" + ProjectName(p) + "-main"; }
  std::string GroupName(int64_t g) const { return (g % 2 ? "Dev-" : "qa-") + std::to_string(g); }
  std::string UserName(int64_t u) const {
    std::string s = kUsers[u % CountOf(kUsers)];
    if (u >= static_cast<int64_t>(CountOf(kUsers))) s += std::to_string(u);
    return s;
  }
  // A db.view row of a client, label or branch: line seq of its view maps
  // left to right (mapFlag 1: an exclusion).
  void ViewRow(const std::string& name, int seq, int mapFlag, const std::string& left, const std::string& right) {
    w_.Begin("pv", 2, "db.view");
    w_.Text(name);
    w_.Num(seq);
    w_.Num(mapFlag);
    w_.Text(left);
    w_.Text(right);
    w_.Text("");
    w_.End();
  }
  // The project of a client, label or branch.
  int64_t ProjectOf(int64_t n) const {
    return opt_.paths ? n % projects_ : Hash(n, 11) % projects_;
  }

  // Appends the depot path of file f, each component in the spelling this
  // use picks: //depot/Project/module/subdir/stem_N.ext.
  void FilePath(std::string* out, int64_t f, bool noVariants = false);
  // Appends the project prefix //depot/Project of project p.
  void ProjectPath(std::string* out, int64_t p);
  // Appends the client path of file f in client c: //ws-name/module/....
  void ClientPath(std::string* out, int64_t c, int64_t f);
  // Writes client c's path of file f, then the file's depot path.
  void ClientAndDepotPaths(int64_t c, int64_t f);
  // The path of file f below its project: module/subdir/stem.ext.
  void RelativePath(std::string* out, int64_t f, bool noVariants);

  // --- tables ------------------------------------------------------------
  bool Table(const char* name, double share, bool (Server::*fill)(int64_t budget));
  bool Emit();  // hands the finished records of the buffer to the sink
  bool Change(int64_t budget);
  bool Config(int64_t budget);
  bool Counters(int64_t budget);
  bool Depot(int64_t budget);
  bool Desc(int64_t budget);
  bool Domain(int64_t budget);
  bool Group(int64_t budget);
  bool Have(int64_t budget);
  bool Integed(int64_t budget);
  bool Label(int64_t budget);
  bool Protect(int64_t budget);
  bool Rev(int64_t budget);
  bool Stream(int64_t budget);
  bool User(int64_t budget);
  bool View(int64_t budget);
  bool Working(int64_t budget);

  void Note(int type, const std::string& table);
  bool OpenPart(const std::string& table);
  bool ClosePart(const std::string& table);
  void Description(std::string* out, int64_t lines);

  // Bytes of records written so far; notes are not counted, so that every
  // form of the checkpoint holds the same records.
  int64_t Bytes() const {
    return written_ + static_cast<int64_t>(w_.Buffer().size()) - noteBytes_;
  }

  const Options& opt_;
  Rng rng_;
  RecordWriter w_;
  Sink sink_;
  std::string path_, path2_, text_;
  int64_t total_ = 0, written_ = 0, noteBytes_ = 0, tableStart_ = 0, partStart_ = 0;
  size_t flushLimit_ = 1u << 20;
  int part_ = 0;
  std::string table_;
  int64_t filesPerProject_;
  int64_t files_, projects_, clients_, labels_, branches_, changes_, groups_, users_;
};

void Server::RelativePath(std::string* out, int64_t f, bool noVariants) {
  if (opt_.paths) {
    int64_t p = f / kPathsFilesPerProject;
    int64_t d = (f / kPathsFilesPerDir) % kPathsDirsPerProject;
    uint64_t did = p * kPathsDirsPerProject + d;
    uint64_t mid = p * 4 + d / 4;
    AppendName(out, kModules[(d / 4 + p * 5) % CountOf(kModules)], !noVariants && Flip(2, mid));
    out->push_back('/');
    AppendName(out, kSubdirs[(d + p * 3) % CountOf(kSubdirs)], !noVariants && Flip(3, did));
    int depth = 2 + static_cast<int>(Hash(did, 6) % 5);
    for (int k = 0; k < depth; ++k) {
      out->push_back('/');
      AppendName(out, kDeep[Hash(did, k, 7) % CountOf(kDeep)], !noVariants && Flip(6, did * 8 + k));
    }
    out->push_back('/');
    std::string file = kStems[Hash(f, 3) % CountOf(kStems)];
    file += '_';
    file += std::to_string(f % 1000000);
    file += kExts[Hash(f, 5) % CountOf(kExts)];
    AppendName(out, file, !noVariants && Flip(4, f));
    return;
  }
  int64_t p = f / kFilesPerProject;
  int64_t m = (f / (kFilesPerDir * kSubdirsPerModule)) % kModulesPerProject;
  int64_t s = (f / kFilesPerDir) % kSubdirsPerModule;
  uint64_t mid = p * kModulesPerProject + m;
  uint64_t sid = mid * kSubdirsPerModule + s;
  AppendName(out, kModules[(m + p * 5) % CountOf(kModules)], !noVariants && Flip(2, mid));
  out->push_back('/');
  AppendName(out, kSubdirs[(s + p * 3 + m) % CountOf(kSubdirs)], !noVariants && Flip(3, sid));
  out->push_back('/');
  std::string file = kStems[Hash(f, 3) % CountOf(kStems)];
  file += '_';
  file += std::to_string(f % 997);
  file += kExts[Hash(f, 5) % CountOf(kExts)];
  AppendName(out, file, !noVariants && Flip(4, f));
}

void Server::ProjectPath(std::string* out, int64_t p) {
  out->append("//");
  out->append(kDepots[DepotOf(p)]);
  out->push_back('/');
  if (DepotOf(p) == 2) {
    AppendName(out, ProjectName(p) + "-main", Flip(1, p));
  } else {
    AppendName(out, ProjectName(p), Flip(1, p));
  }
}

void Server::FilePath(std::string* out, int64_t f, bool noVariants) {
  int64_t p = f / filesPerProject_;
  if (noVariants) {
    out->append("//");
    out->append(kDepots[DepotOf(p)]);
    out->push_back('/');
    out->append(ProjectName(p));
    if (DepotOf(p) == 2) out->append("-main");
  } else {
    ProjectPath(out, p);
  }
  out->push_back('/');
  RelativePath(out, f, noVariants);
}

void Server::ClientAndDepotPaths(int64_t c, int64_t f) {
  path_.clear();
  ClientPath(&path_, c, f);
  w_.Text(path_);
  path_.clear();
  FilePath(&path_, f);
  w_.Text(path_);
}

void Server::ClientPath(std::string* out, int64_t c, int64_t f) {
  out->append("//");
  AppendName(out, ClientName(c), Flip(5, c));
  out->push_back('/');
  RelativePath(out, f, false);
}

void Server::Description(std::string* out, int64_t lines) {
  out->clear();
  for (int64_t l = 0; l < lines; ++l) {
    int64_t words = rng_.Range(3, 14);
    for (int64_t i = 0; i < words; ++i) {
      if (i) out->push_back(' ');
      out->append(kWords[rng_.Below(CountOf(kWords))]);
    }
    // Most descriptions end lines with LF, some (from Windows clients) CRLF.
    out->append(l % 3 == 2 ? "\r\n" : "\n");
  }
}

// --- notes and parts ---------------------------------------------------------

// A note of type 0 (header) or 1 (trailer); in a directory the header names
// the table in field 11, the trailer in field 9.
void Server::Note(int type, const std::string& table) {
  size_t before = w_.Buffer().size();
  w_.Text("nx");
  w_.Num(type);
  w_.Num(1700000000 + static_cast<int64_t>(opt_.seed));
  w_.Text("ckp");
  w_.Num(type == 0 ? (opt_.unicode ? 9 : 1) : 0);
  for (int i = 5; i <= 8; ++i) w_.Num(0);
  if (type == 0) {
    w_.Text("/srv/ztd/root");
    w_.Text("journal");
    w_.Text(table);
  } else {
    w_.Text(table);
    w_.Text("");
    w_.Text("");
  }
  w_.Text("");
  w_.Text("");
  w_.End();
  noteBytes_ += static_cast<int64_t>(w_.Buffer().size() - before);
}

bool Server::Emit() {
  std::string& b = w_.Buffer();
  if (!sink_.Write(b.data(), b.size())) {
    fprintf(stderr, "gen_checkpoint: write failed on %s\n", sink_.Path().c_str());
    return false;
  }
  written_ += static_cast<int64_t>(b.size());
  b.clear();
  return true;
}

bool Server::OpenPart(const std::string& table) {
  std::string name = opt_.output + "/" + table;
  if (part_ > 0) {
    char tmp[16];
    snprintf(tmp, sizeof tmp, "#%08X", part_);
    name += tmp;
  }
  name += ".ckp";
  if (opt_.gzip) name += ".gz";
  if (!sink_.Open(name, opt_.gzip)) return false;
  partStart_ = written_;
  Note(0, table);
  return true;
}

bool Server::ClosePart(const std::string& table) {
  Note(1, table);
  if (!Emit()) return false;
  if (!sink_.Close()) {
    fprintf(stderr, "gen_checkpoint: closing %s failed\n", sink_.Path().c_str());
    return false;
  }
  return true;
}

// Runs one table's filler with its share of the total size. In a directory
// each table gets its own file (and its parts).
bool Server::Table(const char* name, double share, bool (Server::*fill)(int64_t budget)) {
  table_ = name;
  part_ = 0;
  tableStart_ = Bytes();
  if (opt_.dir && !OpenPart(table_)) return false;
  int64_t budget = static_cast<int64_t>(share * static_cast<double>(total_));
  if (!(this->*fill)(std::max<int64_t>(budget, 1))) return false;
  if (opt_.dir) return ClosePart(table_);
  return Emit();
}

// --- tables ----------------------------------------------------------------
// Each filler writes records until its budget of bytes is used (at least
// the records that the smaller tables need to be consistent), flushing the
// buffer as it goes. Fillers return false on an output failure.

#define ZT_FLUSH()                                                            \
  do {                                                                        \
    if (w_.Buffer().size() >= flushLimit_) {                                  \
      if (!Emit()) return false;                                              \
      if (opt_.dir && opt_.splitMb > 0 &&                                     \
          written_ - partStart_ >= static_cast<int64_t>(opt_.splitMb * 1048576.0)) { \
        if (!ClosePart(table_)) return false;                                 \
        ++part_;                                                              \
        if (!OpenPart(table_)) return false;                                  \
      }                                                                       \
    }                                                                         \
  } while (0)

#define ZT_SPENT(budget) (Bytes() - tableStart_ >= (budget))

bool Server::Change(int64_t) {
  for (int64_t c = 1; c <= changes_; ++c) {
    int64_t client = Hash(c, 21) % clients_;
    w_.Begin("pv", 7, "db.change");
    w_.Num(c);
    w_.Num(c);
    w_.Text(ClientName(client));
    w_.Text(UserName(Hash(c, 22) % users_));
    w_.Num(1500000000 + c * 37);
    w_.Num(rng_.Below(8) ? 1 : 0);  // submitted or pending
    Description(&text_, 1);
    text_.resize(std::min<size_t>(text_.size(), 31));
    w_.Text(text_);
    path_.clear();
    ProjectPath(&path_, ProjectOf(client));
    path_.append("/...");
    w_.Text(path_);
    w_.Text("");
    w_.Text("");
    w_.Num(0);
    w_.Num(1500000000 + c * 37 + 5);
    w_.Text(DepotOf(ProjectOf(client)) == 2 ? StreamName(ProjectOf(client)) : std::string());
    w_.End();
    ZT_FLUSH();
  }
  return true;
}

bool Server::Config(int64_t) {
  const char* const kConfig[][3] = {
      {"any", "monitor", "1"}, {"any", "server.depot.root", "/srv/ztd/depots"},
      {"any", "journalPrefix", "/srv/ztd/checkpoints/main"}, {"ztd_1", "net.parallel.max", "10"},
      {"any", "security", "3"}, {"any", "server.locks.dir", "disabled"}};
  for (auto& c : kConfig) {
    w_.Begin("pv", 1, "db.config");
    for (auto* f : c) w_.Text(f);
    w_.End();
  }
  return true;
}

bool Server::Counters(int64_t) {
  const std::pair<const char*, int64_t> kCounters[] = {
      {"change", changes_}, {"journal", 42}, {"lastCheckpointAction", 1700000000},
      {"logger", 0}, {"maxCommitChange", changes_}, {"monitor", 1}, {"security", 3},
      {"upgrade", 58}};
  for (auto& c : kCounters) {
    w_.Begin("pv", 1, "db.counters");
    w_.Text(c.first);
    w_.Num(c.second);
    w_.End();
  }
  return true;
}

bool Server::Depot(int64_t) {
  const int kTypes[] = {0, 0, 3};  // local, local, stream
  for (int d = 0; d < 3; ++d) {
    w_.Begin("pv", 2, "db.depot");
    w_.Text(kDepots[d]);
    w_.Num(kTypes[d]);
    w_.Text(d == 2 ? "1" : "");
    w_.Text(std::string(kDepots[d]) + "/...");
    w_.Text("");
    w_.End();
  }
  return true;
}

bool Server::Desc(int64_t budget) {
  for (int64_t c = 1; c <= changes_ || !ZT_SPENT(budget); ++c) {
    w_.Begin("pv", 1, "db.desc");
    w_.Num(c);
    Description(&text_, rng_.Range(1, rng_.Below(10) ? 4 : 30));
    w_.Text(text_);
    w_.End();
    ZT_FLUSH();
  }
  return true;
}

bool Server::Domain(int64_t) {
  // Domains are written sorted by name as a server keeps them; the order of
  // kinds here only needs every domain before the tables that use it.
  auto domain = [&](const std::string& name, int type, const std::string& mount,
                    const std::string& owner, const std::string& desc, const std::string& stream) {
    w_.Begin("pv", 8, "db.domain");
    w_.Text(name);
    w_.Num(type);
    w_.Text("");
    w_.Text(mount);
    w_.Text("");
    w_.Text("");
    w_.Text(owner);
    w_.Num(1600000000 + static_cast<int64_t>(rng_.Below(100000000)));
    w_.Num(1650000000 + static_cast<int64_t>(rng_.Below(50000000)));
    w_.Num(static_cast<int64_t>(rng_.Below(4)) * 4096);
    w_.Text(desc);
    w_.Text(stream);
    w_.Text("");
    w_.Num(0);
    w_.End();
  };
  for (int d = 0; d < 3; ++d) domain(kDepots[d], 100, "", "admin", "Created by admin.\n", "");
  for (int64_t c = 0; c < clients_; ++c) {
    int64_t p = ProjectOf(c);
    domain(ClientName(c), 99, "/home/" + UserName(c) + "/ws" + std::to_string(c),
           UserName(c % users_), "Created by " + UserName(c % users_) + ".\n",
           DepotOf(p) == 2 ? StreamName(p) : std::string());
    ZT_FLUSH();
  }
  for (int64_t l = 0; l < labels_; ++l)
    domain(LabelName(l), 108, "", "build", "Label for release.\n", "");
  for (int64_t b = 0; b < branches_; ++b)
    domain(BranchName(b), 98, "", "build", "Release branch.\n", "");
  for (int64_t p = 0; p < projects_; ++p)
    if (DepotOf(p) == 2) domain(StreamName(p), 115, "", "build", "Mainline.\n", "");
  return true;
}

bool Server::Group(int64_t) {
  for (int64_t g = 0; g < groups_; ++g) {
    int64_t members = 3 + static_cast<int64_t>(Hash(g, 31) % 12);
    for (int64_t m = 0; m < members; ++m) {
      w_.Begin("pv", 11, "db.group");
      w_.Text(UserName(Hash(g, m, 32) % users_));
      w_.Text(GroupName(g));
      w_.Num(0);
      w_.Num(m % 5 ? 0 : 50000);
      w_.Num(0);
      w_.Num(0);
      w_.Num(0);
      w_.Num(43200);
      w_.Num(0);
      w_.Num(0);
      w_.Num(0);
      w_.End();
    }
    ZT_FLUSH();
  }
  return true;
}

bool Server::Have(int64_t budget) {
  // Each client has the files of its project, in client path order.
  for (int64_t c = 0; !ZT_SPENT(budget); c = (c + 1) % clients_) {
    int64_t p = ProjectOf(c);
    int64_t first = p * filesPerProject_;
    int64_t last = std::min(files_, first + filesPerProject_);
    for (int64_t f = first; f < last && !ZT_SPENT(budget); ++f) {
      w_.Begin("pv", 4, "db.have");
      ClientAndDepotPaths(c, f);
      w_.Num(1 + static_cast<int64_t>(Hash(f, 1) % 5));
      w_.Text(kTypes[Hash(f, 5) % CountOf(kTypes)]);
      w_.Num(1600000000 + static_cast<int64_t>(rng_.Below(100000000)));
      w_.End();
      ZT_FLUSH();
    }
  }
  return true;
}

bool Server::Integed(int64_t budget) {
  // Files branched from one project into the next, recorded both ways.
  for (int64_t f = 0; !ZT_SPENT(budget); f = (f + 1) % files_) {
    int64_t to = (f + filesPerProject_) % std::max<int64_t>(files_, 1);
    int64_t rev = 1 + static_cast<int64_t>(Hash(f, 1) % 5);
    int64_t change = 1 + static_cast<int64_t>(Hash(f, 2) % changes_);
    path_.clear();
    FilePath(&path_, to);
    path2_.clear();
    FilePath(&path2_, f);
    w_.Begin("pv", 1, "db.integed");
    w_.Text(path_);
    w_.Text(path2_);
    w_.Num(0);
    w_.Num(rev);
    w_.Num(0);
    w_.Num(1);
    w_.Num(3);  // branch from
    w_.Num(change);
    w_.End();
    w_.Begin("pv", 1, "db.integed");
    w_.Text(path2_);
    w_.Text(path_);
    w_.Num(0);
    w_.Num(1);
    w_.Num(0);
    w_.Num(rev);
    w_.Num(2);  // branch into
    w_.Num(change);
    w_.End();
    ZT_FLUSH();
  }
  return true;
}

bool Server::Label(int64_t budget) {
  for (int64_t l = 0; !ZT_SPENT(budget); l = (l + 1) % labels_) {
    int64_t p = ProjectOf(l + 1000003);
    int64_t first = p * filesPerProject_;
    int64_t last = std::min(files_, first + filesPerProject_);
    std::string name = LabelName(l);
    for (int64_t f = first; f < last && !ZT_SPENT(budget); ++f) {
      w_.Begin("pv", 1, "db.label");
      w_.Text(name);
      path_.clear();
      FilePath(&path_, f);
      w_.Text(path_);
      w_.Num(1 + static_cast<int64_t>(Hash(f, 1) % 5));
      w_.End();
      ZT_FLUSH();
    }
  }
  return true;
}

bool Server::Protect(int64_t) {
  int64_t seq = 0;
  auto row = [&](int isGroup, const std::string& who, const char* perm, int mapFlag,
                 const std::string& path) {
    w_.Begin("pv", 6, "db.protect");
    w_.Num(seq++);
    w_.Num(isGroup);
    w_.Text(who);
    w_.Text("*");
    w_.Num(perm[0] == 's' ? 31 : perm[0] == 'w' ? 15 : 7);
    w_.Num(mapFlag);
    w_.Text(path);
    w_.Text(path);
    w_.Num(1600000000 + seq);
    w_.End();
  };
  row(0, "*", "write", 0, "//...");
  for (int64_t g = 0; g < groups_; ++g) {
    path_.clear();
    ProjectPath(&path_, ProjectOf(g + 7));
    path_.append("/...");
    row(1, GroupName(g), g % 3 ? "write" : "read", 0, path_);
    if (g % 4 == 0) row(1, GroupName(g), "read", 1, path_.substr(0, path_.size() - 4) + "/secret/...");
  }
  row(0, "admin", "super", 0, "//...");
  return true;
}

bool Server::Rev(int64_t budget) {
  // Revisions of each file, newest first as a server sorts them; files past
  // the universe of the other tables are added when the budget allows.
  for (int64_t f = 0; !ZT_SPENT(budget); ++f) {
    int64_t revs = 1 + static_cast<int64_t>(Hash(f, 1) % 5);
    const size_t kind = Hash(f, 5) % CountOf(kTypes);
    const char* type = kTypes[kind];
    const char* lbrType = kLbrTypes[kind];
    path_.clear();
    FilePath(&path_, f);
    path2_.clear();
    FilePath(&path2_, f, true);  // the archive file keeps its first spelling
    for (int64_t r = revs; r >= 1; --r) {
      int64_t change = 1 + static_cast<int64_t>(Hash(f, r, 2) % changes_);
      w_.Begin("pv", 10, "db.rev");
      w_.Text(path_);
      w_.Num(r);
      w_.Text(type);
      w_.Num(r == 1 ? 0 : rng_.Below(6) ? 1 : 2);  // add, edit, delete
      w_.Num(change);
      w_.Num(1500000000 + change * 37);
      w_.Num(1500000000 + change * 37 - 60);
      w_.Digest(rng_.Next(), rng_.Next());
      w_.Num(static_cast<int64_t>(rng_.Below(2000000)));
      w_.Num(0);
      w_.Num(0);
      w_.Text(path2_);
      w_.Text("1." + std::to_string(change));
      w_.Text(lbrType);
      w_.End();
    }
    ZT_FLUSH();
  }
  return true;
}

bool Server::Stream(int64_t) {
  for (int64_t p = 0; p < projects_; ++p) {
    if (DepotOf(p) != 2) continue;
    w_.Begin("pv", 3, "db.stream");
    w_.Text(StreamName(p));
    w_.Text("none");
    w_.Text(ProjectName(p) + "-main");
    w_.Num(1);
    w_.Text("");
    for (int i = 0; i < 4; ++i) w_.Num(1 + static_cast<int64_t>(Hash(p, i) % changes_));
    w_.Text("");
    w_.Num(0);
    w_.Num(0);
    w_.End();
  }
  return true;
}

bool Server::User(int64_t) {
  for (int64_t u = 0; u < users_; ++u) {
    std::string name = UserName(u);
    w_.Begin("pv", 8, "db.user");
    w_.Text(name);
    w_.Text(name + "@example.com");
    w_.Text("");
    w_.Num(1600000000 + u);
    w_.Num(1690000000 + u);
    w_.Text(name + " " + "Tester");
    w_.Digest(Hash(u, 1), Hash(u, 2));
    w_.Num(0);
    w_.Text("");
    w_.Num(0);
    w_.Num(0);
    w_.Num(1600000000);
    w_.Num(0);
    w_.Num(0);
    w_.Text("");
    w_.End();
    ZT_FLUSH();
  }
  return true;
}

bool Server::View(int64_t) {
  for (int64_t c = 0; c < clients_; ++c) {
    int64_t p = ProjectOf(c);
    std::string name = ClientName(c);
    for (int seq = 0; seq < 3; ++seq) {
      path_.clear();
      path_.append("//");
      AppendName(&path_, name, Flip(5, c));
      path_.append(seq == 0 ? "/..." : seq == 1 ? "/docs/..." : "/build/...");
      path2_.clear();
      ProjectPath(&path2_, p);
      path2_.append(seq == 0 ? "/..." : seq == 1 ? "/docs/..." : "/build/...");
      ViewRow(name, seq, seq == 2 ? 1 : 0, path_, path2_);
    }
    ZT_FLUSH();
  }
  for (int64_t l = 0; l < labels_; ++l) {
    path_.clear();
    ProjectPath(&path_, ProjectOf(l + 1000003));
    path_.append("/...");
    ViewRow(LabelName(l), 0, 0, path_, path_);
  }
  for (int64_t b = 0; b < branches_; ++b) {
    path_.clear();
    ProjectPath(&path_, b);
    path_.append("/...");
    path2_.clear();
    ProjectPath(&path2_, (b + 1) % projects_);
    path2_.append("/...");
    ViewRow(BranchName(b), 0, 0, path_, path2_);
  }
  return true;
}

bool Server::Working(int64_t budget) {
  for (int64_t n = 0; !ZT_SPENT(budget); ++n) {
    int64_t c = Hash(n, 41) % clients_;
    int64_t p = ProjectOf(c);
    int64_t f = std::min(files_ - 1, p * filesPerProject_ + static_cast<int64_t>(Hash(n, 42) % filesPerProject_));
    w_.Begin("pv", 11, "db.working");
    ClientAndDepotPaths(c, f);
    w_.Text(ClientName(c));
    w_.Text(UserName(c % users_));
    int64_t rev = 1 + static_cast<int64_t>(Hash(f, 1) % 5);
    w_.Num(rev);
    w_.Num(rev + 1);
    w_.Num(0);
    w_.Text(kTypes[Hash(f, 5) % CountOf(kTypes)]);
    w_.Num(1);  // edit
    w_.Num(1 + static_cast<int64_t>(Hash(n, 43) % changes_));
    w_.Num(1690000000 + n);
    w_.Num(0);
    w_.Digest(rng_.Next(), rng_.Next());
    w_.Num(static_cast<int64_t>(rng_.Below(100000)));
    w_.Num(0);
    w_.Num(0);
    w_.Text("");
    w_.Text("");
    w_.Num(0);
    w_.End();
    ZT_FLUSH();
  }
  return true;
}

#undef ZT_FLUSH
#undef ZT_SPENT

bool Server::Run() {
  if (!opt_.dir) {
    if (!sink_.Open(opt_.output, opt_.gzip)) return false;
    Note(0, "");
  }
  // Shares of the total size by table, roughly those of a real server; the
  // small tables take what they need.
  struct Entry {
    const char* name;
    double share;
    bool (Server::*fill)(int64_t);
  };
  const Entry kTables[] = {
      {"db.change", 0, &Server::Change},   {"db.config", 0, &Server::Config},
      {"db.counters", 0, &Server::Counters}, {"db.depot", 0, &Server::Depot},
      {"db.desc", 0.06, &Server::Desc},    {"db.domain", 0, &Server::Domain},
      {"db.group", 0, &Server::Group},     {"db.have", 0.33, &Server::Have},
      {"db.integed", 0.14, &Server::Integed}, {"db.label", 0.08, &Server::Label},
      {"db.protect", 0, &Server::Protect}, {"db.rev", 0.26, &Server::Rev},
      {"db.stream", 0, &Server::Stream},   {"db.user", 0, &Server::User},
      {"db.view", 0, &Server::View},       {"db.working", 0, &Server::Working},
  };
  // Path-heavy: the have list and the revisions take nearly everything,
  // the descriptions little.
  const std::pair<const char*, double> kPathShares[] = {
      {"db.desc", 0.02}, {"db.have", 0.52}, {"db.integed", 0.02}, {"db.label", 0.02},
      {"db.rev", 0.38}};
  int64_t pathRecords = 0;
  for (const Entry& t : kTables) {
    double share = t.share;
    if (opt_.paths) {
      for (const auto& [name, s] : kPathShares)
        if (strcmp(name, t.name) == 0) share = s;
    }
    int64_t before = w_.Records();
    if (t.fill == &Server::Working) {
      // The last table takes what is left, so the size comes out close.
      share = std::max(0.02, static_cast<double>(total_ - Bytes()) / std::max<int64_t>(total_, 1));
    }
    if (!Table(t.name, share, t.fill)) return false;
    if (t.fill == &Server::Have || t.fill == &Server::Rev) pathRecords += w_.Records() - before;
  }
  if (!opt_.dir) {
    Note(1, "");
    if (!Emit()) return false;
    if (!sink_.Close()) {
      fprintf(stderr, "gen_checkpoint: closing %s failed\n", opt_.output.c_str());
      return false;
    }
  }
  fprintf(stderr, "gen_checkpoint: %s: %" PRId64 " records, %" PRId64 " bytes, %" PRId64
          " files in %" PRId64 " projects, %" PRId64 " clients; db.have and db.rev %.1f%%"
          " of the records\n",
          opt_.output.c_str(), w_.Records(), written_, files_, projects_, clients_,
          100.0 * static_cast<double>(pathRecords) / static_cast<double>(std::max<int64_t>(w_.Records(), 1)));
  return true;
}

void Usage() {
  fprintf(stderr,
          "usage: gen_checkpoint [--size-mb N] [--seed N] [--variants F] [--unicode]\n"
          "                      [--dir [--split-mb N]] [--gzip] [--profile changes|paths]\n"
          "                      OUTPUT\n");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        fprintf(stderr, "gen_checkpoint: %s needs a value\n", name);
        exit(2);
      }
      return argv[++i];
    };
    if (a == "--size-mb") {
      o.sizeMb = atof(value("--size-mb"));
    } else if (a == "--seed") {
      o.seed = strtoull(value("--seed"), nullptr, 10);
    } else if (a == "--variants") {
      o.variants = atof(value("--variants"));
    } else if (a == "--split-mb") {
      o.splitMb = atof(value("--split-mb"));
    } else if (a == "--profile") {
      std::string v = value("--profile");
      if (v != "paths" && v != "changes") {
        fprintf(stderr, "gen_checkpoint: unknown profile %s\n", v.c_str());
        return 2;
      }
      o.paths = v == "paths";
    } else if (a == "--unicode") {
      o.unicode = true;
    } else if (a == "--dir") {
      o.dir = true;
    } else if (a == "--gzip") {
      o.gzip = true;
    } else if (a == "-h" || a == "--help") {
      Usage();
      return 0;
    } else if (!a.empty() && a[0] == '-') {
      fprintf(stderr, "gen_checkpoint: unknown option %s\n", a.c_str());
      Usage();
      return 2;
    } else if (o.output.empty()) {
      o.output = a;
    } else {
      Usage();
      return 2;
    }
  }
  if (o.output.empty() || o.sizeMb <= 0 || o.variants < 0 || o.variants > 1) {
    Usage();
    return 2;
  }
  if (o.output.size() > 3 && o.output.compare(o.output.size() - 3, 3, ".gz") == 0 && !o.dir)
    o.gzip = true;
  if (o.dir && mkdir(o.output.c_str(), 0777) != 0 && errno != EEXIST) {
    fprintf(stderr, "gen_checkpoint: cannot create directory %s: %s\n", o.output.c_str(),
            strerror(errno));
    return 1;
  }
  Server server(o);
  return server.Run() ? 0 : 1;
}
