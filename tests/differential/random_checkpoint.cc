// random_checkpoint: writes one seeded random checkpoint for the differential
// test, in two forms that must read as the same records, and what a reader
// must make of it.
//
//   random_checkpoint SEED OUTDIR
//
// OUTDIR/in.ckp       a single checkpoint file
// OUTDIR/par/         the same records as a parallel checkpoint directory:
//                     one file per table, some split into numbered parts,
//                     some gzip-compressed, each with its own notes
// OUTDIR/expected.ckp the records a reader must return, in standard format,
//                     without the notes (corrupt records left out, records
//                     written loosely put right)
// OUTDIR/meta         "skipped N" (corrupt records), "notes 0|1",
//                     "unicode 0|1", "records N"
//
// The records come in the order the directory reader reads the tables
// (configuration, counters, groups, depots, domains, then by name), so a
// run over either form sees them in one order. Tables are those the
// catalogue treats and a few it leaves alone, at random versions; names and
// path components come in several spellings that differ in case; fields
// hold text over several lines, at signs, spaces, UTF-8 and, now and then, a
// quoted field larger than the reader's buffer. Corrupt records (one field
// too many or too few, a bad op code, a table the schema lacks, a NUL inside
// a quoted field) are each skipped by the reader on their own, so the
// skipped count is known.
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "journal/schema.h"

namespace {

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
  bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& v) { return v[Below(v.size())]; }

 private:
  uint64_t state_;
};

using Spellings = std::vector<std::string>;

// Each group holds one name in the spellings a careless server collects.
const std::vector<Spellings> kDirs = {
    {"main", "Main", "MAIN"}, {"src", "Src"}, {"doc", "Doc", "DOC"}, {"lib"},
    {"web", "Web"},           {"tools", "TOOLS"}, {"\xC3\xA4pfel", "\xC3\x84pfel"},
    {"a b", "A B"},           {"x@y", "X@Y"},     {"rel-1.0", "REL-1.0"}};
const std::vector<Spellings> kFiles = {
    {"app.c", "App.c"}, {"util.h"}, {"readme.txt", "README.txt", "ReadMe.txt"}, {"logo.png", "Logo.png"}};
const std::vector<Spellings> kDepots = {{"depot", "Depot"}, {"proj", "PROJ"}, {"spec"}};
const std::vector<Spellings> kClients = {{"ws1", "WS1"}, {"build", "Build"}, {"alice-ws"}, {"rel_lbl", "REL_LBL"}};
const std::vector<Spellings> kUsers = {{"bob", "Bob"}, {"alice"}, {"carol", "CAROL"}};
const std::vector<Spellings> kGroups = {{"dev", "Dev", "DEV"}, {"ops"}, {"qa", "QA"}};

// The tables the catalogue treats (all but the one whose records stop a
// run) and a few it leaves alone.
const char* const kTables[] = {
    "db.archive", "db.archmap", "db.bodresolve", "db.bodtextwx", "db.change", "db.changex",
    "db.config", "db.counters", "db.depot", "db.domain", "db.excl", "db.exclg", "db.exclgx",
    "db.fix", "db.fixrev", "db.graphperm", "db.group", "db.groupx", "db.have", "db.have.pt",
    "db.have.rp", "db.haveg", "db.haveview", "db.integ", "db.integed", "db.integtx", "db.label",
    "db.locks", "db.locksg", "db.monitor", "db.property", "db.protect", "db.ref", "db.refhist",
    "db.repo", "db.resolve", "db.resolveg", "db.resolvex", "db.rev", "db.revbx", "db.revcx",
    "db.revdx", "db.revhx", "db.review", "db.revpx", "db.revsh", "db.revstg", "db.revsx",
    "db.revtx", "db.rmtview", "db.sendq", "db.sendq.pt", "db.storage", "db.storagesh",
    "db.stream", "db.streamq", "db.streamrelation", "db.streamviewx", "db.submodule",
    "db.svrview", "db.template", "db.templatesx", "db.templatewx", "db.trigger", "db.view",
    "db.view.rp", "db.working", "db.workingg", "db.workingx", "db.user", "db.traits",
    "db.object", "db.ldap", "db.desc"};

const char* const kPathFields[] = {
    "depotfile", "lbrfile", "fromfile", "tofile", "basefile", "file", "root", "stream", "parent",
    "viewfile", "repo", "ref", "symref", "branch", "subpath", "localfile", "remotefile", "indep",
    "dep", "mount", "path", "viewpath"};
const char* const kNameFields[] = {"client", "name", "owner", "user", "scope", "shelf"};
const char* const kTextFields[] = {"description", "text", "comment", "value", "desc", "options", "attr", "ovalue", "nvalue"};

bool In(const char* const* list, size_t n, const std::string& s) {
  for (size_t i = 0; i < n; ++i)
    if (s == list[i]) return true;
  return false;
}
#define IN(list, s) In(list, sizeof(list) / sizeof(list[0]), s)

std::string Lower(const char* s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The reader's group of a table: the order of the directory reader.
int Group(const std::string& table) {
  std::string key = table.substr(0, table.find('%'));
  static const char* const order[] = {"db.config", "db.counters", "db.group", "db.groupx", "db.depot", "db.domain"};
  for (int i = 0; i < 6; ++i)
    if (key == order[i]) return i;
  return 100;
}

bool IsBare(const std::string& f) {
  if (f.empty() || f.size() > 32) return false;
  bool digits = std::all_of(f.begin(), f.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits) return true;
  return f.size() == 32 && std::all_of(f.begin(), f.end(), [](char c) { return isxdigit(static_cast<unsigned char>(c)); });
}

// One field in standard format, followed by its space.
void PutField(std::string* out, const std::string& f) {
  if (IsBare(f)) {
    *out += f;
  } else {
    *out += '@';
    for (char c : f) {
      *out += c;
      if (c == '@') *out += '@';
    }
    *out += '@';
  }
  *out += ' ';
}

std::string Standard(const std::vector<std::string>& fields) {
  std::string s;
  for (const std::string& f : fields) PutField(&s, f);
  s += '\n';
  return s;
}

class Generator {
 public:
  explicit Generator(uint64_t seed) : rng_(seed) {
    variantPercent_ = static_cast<int>(rng_.Below(40));
  }

  std::string Spell(const std::vector<Spellings>& names) {
    const Spellings& s = rng_.Pick(names);
    return rng_.Chance(variantPercent_) ? rng_.Pick(s) : s[0];
  }

  std::string DepotPath() {
    std::string p = "//" + Spell(kDepots);
    int depth = 1 + static_cast<int>(rng_.Below(4));
    for (int i = 0; i < depth; ++i) p += "/" + Spell(kDirs);
    return p + "/" + Spell(kFiles);
  }

  std::string Text() {
    static const char* const words[] = {"fix", "the", "Main", "bug", "@", "in", "src", "\xC3\xA9t\xC3\xA9", "x@@y", "42"};
    std::string t;
    int n = static_cast<int>(rng_.Below(12));
    for (int i = 0; i < n; ++i) {
      if (i) t += rng_.Chance(15) ? (rng_.Chance(50) ? "\n" : "\r\n") : " ";
      t += words[rng_.Below(10)];
    }
    if (rng_.Chance(1)) t += std::string(40000 + rng_.Below(5000), 'q');
    return t;
  }

  std::string Digits() { return std::to_string(rng_.Below(rng_.Chance(50) ? 10 : 2000000000)); }

  // A value for a field, by what its name says it holds.
  std::string Value(const std::string& table, const std::string& field) {
    if (table == "db.counters") return field == "name" ? rng_.Pick(std::vector<std::string>{"change", "journal", "maxCommitChange"}) : Digits();
    if (table == "db.config") {
      if (field == "name") return rng_.Pick(std::vector<std::string>{"monitor", "security", "server.depot.root"});
      if (field == "value") return rng_.Chance(50) ? "/srv/ztroot" : Digits();
      return "any";
    }
    if (table == "db.depot" && field == "name") return Spell(kDepots);
    if (table == "db.depot" && field == "map") return Spell(kDepots) + "/...";
    if (table == "db.domain" && field == "type") return rng_.Pick(std::vector<std::string>{"99", "108", "98", "115"});
    if (field == "type" || field == "isgroup" || field == "status" || field == "action") return std::to_string(rng_.Below(4));
    if (field == "group") return Spell(kGroups);
    if (field == "clientfile") return "//" + Spell(kClients) + DepotPath().substr(1);
    if (IN(kPathFields, field)) return DepotPath();
    if (IN(kNameFields, field)) return rng_.Chance(70) ? Spell(kClients) : Spell(kUsers);
    if (IN(kTextFields, field)) return Text();
    if (field.find("digest") != std::string::npos || field == "md5") {
      static const char hex[] = "0123456789ABCDEF";
      std::string d;
      for (int i = 0; i < 32; ++i) d += hex[rng_.Below(16)];
      return d;
    }
    switch (rng_.Below(4)) {
      case 0: return Digits();
      case 1: return "";
      case 2: return Spell(kUsers);
      default: return "0" + Digits();
    }
  }

  // A record of the table at a random version: its fields, op code first.
  std::vector<std::string> Record(const std::string& table) {
    const SchemaTable* entry = FindSchemaTable(table.c_str());
    int version = entry->versionCount - 1;
    if (rng_.Chance(30)) version = static_cast<int>(rng_.Below(entry->versionCount));
    std::vector<std::string> r = {rng_.Chance(90) ? "pv" : rng_.Pick(std::vector<std::string>{"dv", "rv", "vv"}),
                                  std::to_string(version), table};
    // The reader takes a table name in any case.
    if (rng_.Chance(3)) r[2] = rng_.Chance(50) ? "DB" + table.substr(2) : Upper(table);
    for (const char* const* f = entry->versions[version]; *f; ++f) r.push_back(Value(table, Lower(*f)));
    return r;
  }

  // The record as a writer other than the server might have spelt it: a
  // text field bare, blanks doubled, a carriage return before the newline.
  std::string Loose(const std::vector<std::string>& r) {
    std::string s;
    for (const std::string& f : r) {
      bool plain = !f.empty() && std::all_of(f.begin(), f.end(), [](char c) { return isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_'; });
      if (plain && rng_.Chance(50)) s += f + " ";
      else PutField(&s, f);
      if (rng_.Chance(10)) s += rng_.Chance(50) ? "\t" : " ";
    }
    s += rng_.Chance(30) ? "\r\n" : "\n";
    return s;
  }

  // A corrupt record of the table that the reader skips on its own.
  std::string Corrupt(const std::string& table) {
    std::vector<std::string> r = Record(table);
    switch (rng_.Below(5)) {
      case 0: r.push_back("extra"); return Standard(r);
      case 1:
        if (r.size() > 3 && table != "db.traits" && table != "db.object") {
          r.pop_back();
          return Standard(r);
        }
        r.push_back("extra");
        return Standard(r);
      case 2:
        // Right after another corrupt record, the reader would drop this
        // one while it looks for the next op code: not a record of its own.
        if (lastCorrupt_) r.push_back("extra");
        else r[0] = "zz";
        return Standard(r);
      case 3: return "@pv@ 1 @db.nosuchtable@ @x@ @y@ \n";
      default: {
        // The NUL ends the quoted field; the reader then drops the rest of
        // the record up to the next op code.
        std::string s = "@" + r[0] + "@ " + r[1] + " @" + table + "@ @ab";
        s += '\0';
        s += " z@ @tail@ \n";
        return s;
      }
    }
  }

  // A note record: header (type 0) or trailer (type 1).
  std::string Note(int type) {
    std::vector<std::string> n = {"nx", std::to_string(type), "1700000000", "journal", unicode_ ? "8" : "0",
                                  "0", "0", "0", "0", "", "", "", "", ""};
    return Standard(n);
  }

  struct Table {
    std::string name;
    std::vector<std::string> lines;  // as written, corrupt ones included
  };

  void Make(const std::string& outDir) {
    notes_ = rng_.Chance(85);
    unicode_ = notes_ && rng_.Chance(20);
    std::vector<std::string> names;
    for (const char* t : kTables)
      if (FindSchemaTable(t)) names.push_back(t);
    std::vector<Table> tables;
    size_t count = 3 + rng_.Below(25);
    for (size_t i = 0; i < count; ++i) {
      std::string name = rng_.Pick(names);
      if (std::none_of(tables.begin(), tables.end(), [&](const Table& t) { return t.name == name; }))
        tables.push_back({name, {}});
    }
    std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) {
      int ga = Group(a.name), gb = Group(b.name);
      return ga != gb ? ga < gb : a.name < b.name;
    });
    int corruptPercent = rng_.Chance(60) ? 0 : 1 + static_cast<int>(rng_.Below(4));
    std::string expected;
    int records = 0;
    for (Table& t : tables) {
      size_t n = 1 + rng_.Below(rng_.Chance(20) ? 400 : 40);
      for (size_t i = 0; i < n; ++i) {
        if (rng_.Chance(corruptPercent)) {
          t.lines.push_back(Corrupt(t.name));
          lastCorrupt_ = true;
          ++skipped_;
          continue;
        }
        lastCorrupt_ = false;
        std::vector<std::string> r = Record(t.name);
        // These two tables take a record one field short.
        if ((r[2] == "db.traits" || r[2] == "db.object") && rng_.Chance(20)) r.pop_back();
        t.lines.push_back(rng_.Chance(10) ? Loose(r) : Standard(r));
        expected += Standard(r);
        ++records;
      }
    }
    mkdir(outDir.c_str(), 0777);
    std::string single = notes_ ? Note(0) : "";
    for (const Table& t : tables)
      for (const std::string& l : t.lines) single += l;
    if (notes_) single += Note(1);
    WriteFile(outDir + "/in.ckp", single, false);
    WriteFile(outDir + "/expected.ckp", expected, false);

    std::string par = outDir + "/par";
    mkdir(par.c_str(), 0777);
    for (const Table& t : tables) {
      size_t parts = rng_.Chance(20) ? 1 + rng_.Below(3) : 1;
      size_t per = (t.lines.size() + parts - 1) / parts;
      for (size_t p = 0; p * per < t.lines.size() || p == 0; ++p) {
        std::string text = notes_ ? Note(0) : "";
        for (size_t i = p * per; i < std::min(t.lines.size(), (p + 1) * per); ++i) text += t.lines[i];
        if (notes_) text += Note(1);
        char suffix[24] = "";
        if (p) snprintf(suffix, sizeof suffix, "#%08zx", p);
        bool gz = rng_.Chance(25);
        WriteFile(par + "/" + t.name + suffix + ".ckp" + (gz ? ".gz" : ""), text, gz);
      }
    }
    std::string meta = "skipped " + std::to_string(skipped_) + "\nnotes " + (notes_ ? "1" : "0") +
                       "\nunicode " + (unicode_ ? "1" : "0") + "\nrecords " + std::to_string(records) + "\n";
    WriteFile(outDir + "/meta", meta, false);
  }

  static void WriteFile(const std::string& path, const std::string& text, bool gz) {
    if (gz) {
      gzFile f = gzopen(path.c_str(), "wb6");
      if (!f || gzwrite(f, text.data(), static_cast<unsigned>(text.size())) != static_cast<int>(text.size()) ||
          gzclose(f) != Z_OK) {
        fprintf(stderr, "random_checkpoint: cannot write %s\n", path.c_str());
        exit(2);
      }
      return;
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size() || fclose(f) != 0) {
      fprintf(stderr, "random_checkpoint: cannot write %s\n", path.c_str());
      exit(2);
    }
  }

 private:
  Rng rng_;
  int variantPercent_;
  bool notes_ = false;
  bool unicode_ = false;
  int skipped_ = 0;
  bool lastCorrupt_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: random_checkpoint SEED OUTDIR\n");
    return 2;
  }
  Generator(strtoull(argv[1], nullptr, 10)).Make(argv[2]);
  return 0;
}
