// TranslationMap: a loaded map file (translation map or policy map). It
// keeps every line read, as read, for rewriting into the conflict map, and
// files each mapping into one ViewMap per partition of the path space (the
// folded first two components of its left path). Each partition is
// disambiguated after loading.
//
// The map owns its lines and its partitions' ViewMaps. Loading reads the
// file through the FileSys given by the caller (who owns and opens it).
//
// Typical use by the driver:
//   TranslationMap map(/*requireVariants=*/true);
//   DebugPrintf("Loading translation map from %s\n", name);
//   map.Load(file, &e);   // file: a FileSys opened with kOpenRead
//   ... map.TranslatePath(path, &out) per path ...
//   map.WriteLines(conflictFile, &e);  // preamble of the conflict map
#ifndef ZT_MAP_TRANSLATION_MAP_H_
#define ZT_MAP_TRANSLATION_MAP_H_

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "map/directory_decisions.h"
#include "map/directory_entries.h"
#include "map/view_map.h"
#include "support/messages/error.h"
#include "support/text/fold.h"
#include "support/text/strbuf.h"
#include "support/text/var_array.h"

class FileSys;

class TranslationMap {
 public:
  // fold: how partition keys are folded until SetFoldRules says otherwise;
  // compare: how the partitions' patterns compare letters.
  explicit TranslationMap(bool requireVariants, const FoldRules& fold = FoldRules(),
                          StrCaseMode compare = CaseFold);
  TranslationMap(const TranslationMap&) = delete;
  TranslationMap& operator=(const TranslationMap&) = delete;
  ~TranslationMap();

  // Reads the open map file line by line, keeps the lines, fills and
  // disambiguates the partitions. Failures go into e.
  void Load(FileSys* file, Error* e);
  // Files every kept mapping anew under the partition keys of the current
  // fold mode and disambiguates again, quietly. Partition keys are folded
  // paths: a map loaded before the run's fold mode was settled is rekeyed
  // when the settled mode folds differently.
  void Rekey();
  // Folds partition keys under fold from now on; mappings filed under other
  // rules are found again only after Rekey.
  void SetFoldRules(const FoldRules& fold);
  const FoldRules& Fold() const { return foldRules_; }
  // Writes the conflict map's preamble: the fixed header when no lines are
  // kept, else the kept lines and, when trailer is set (lines follow it),
  // the fixed trailer.
  void WriteLines(FileSys* out, Error* e, bool trailer = true) const;

  // Makes the next Load carry each directory line's spelling down to the
  // other lines below that directory (DirectoryDecisions), reporting the
  // lines it re-spells. For the translation map; a policy map's right
  // sides play no part.
  void CarryDirectoryDecisions() { carryDecisions = true; }
  // Gives path the spelling the loaded map decides for the directories
  // above its last component (and for that component too when
  // ownDirectory is set and it is a decided directory). True when changed.
  bool SpellDecided(StrBuf* path, bool ownDirectory) const;

  // Parses one line: 1 with left and right for a mapping, -1 for an empty
  // or comment line, 0 for a rejected line (e then holds the warning).
  int ParseMapLine(const StrPtr& line, StrBuf* left, StrBuf* right, Error* e);

  // The folded partition key of a path: its first two components.
  void PartitionKey(const StrPtr& path, StrBuf* key) const;
  // The partition's map, created empty when new.
  ViewMap* GetMap(const StrPtr& path);
  // Translates a path through its own partition, then through the
  // "/..." prefixes of the path, longest first. True when translated (out
  // then holds the translation); out is untouched otherwise.
  bool TranslatePath(const StrPtr& path, StrBuf* out);
  // True when the path's own partition has a winning include for it.
  bool Contains(const StrPtr& path);

  bool RequireVariants() const { return requireVariants; }
  bool Loaded() const { return loaded; }
  int LineNumber() const { return lineNumber; }
  // Number of mappings entered into partitions.
  int MappingCount() const { return mappingCount; }
  // Number of partitions (keys met so far).
  int PartitionCount() const { return static_cast<int>(partitions.size()); }
  const StrVarArray& Lines() const { return lines; }
  // Entries in all partitions (exclusions included) and the Match calls
  // their lookups have made: statistics for tuning.
  int TotalEntries() const;
  uint64_t TotalMatchCount() const;
  ViewMap* LastMap() const { return lastMap; }

  // The conflict map's fixed header and trailer.
  static const char* const kHeader;
  static const char* const kTrailer;

 private:
  // A mapping read but not yet filed into its partition: its line number
  // and the index of the kept line that holds it (parsed again when filed,
  // so that a long map is not held twice).
  struct PendingMapping {
    int line;
    int kept;
  };
  // Inserts the mapping into its partition: null when filed, else why the
  // engine cannot hold it (the mapping is then left out).
  const char* FileMapping(const StrPtr& left, const StrPtr& right);
  // Files the pending mappings with the directory decisions applied to
  // their right sides, and empties the list; report prints what changed.
  // Returns the lines that could not be filed, with the reason.
  std::vector<std::pair<int, const char*>> FileDecided(std::vector<PendingMapping>* pending,
                                                       bool report);

  // The partition's map, or null when the partition does not exist.
  ViewMap* FindMap(const StrPtr& path);
  // TranslatePath without its last-path answer; cacheable allows the
  // answers kept per directory (fold mode mode).
  bool Lookup(const StrPtr& path, StrBuf* out, bool cacheable, int mode);

  // What the paths of one directory share: their partition's map (and the
  // version of it the rest was taken from), the entries of it that can
  // match them (unless there were too many to gather), and the answer of
  // the prefix fallback once asked for.
  struct DirAnswer {
    std::string dir;
    ViewMap* own = nullptr;  // not owned
    uint64_t ownVersion = 0;
    bool gathered = false;
    DirectoryEntries entries;
    int fallback = kUnset;  // or kNotAsked, 0 no translation, 1 translated
    uint32_t fallbackCut = 0;
    StrBuf fallbackOut;
  };
  static constexpr int kUnset = -2;     // a new answer, nothing taken yet
  static constexpr int kNotAsked = -1;  // the fallback not asked yet
  // The answer kept for the directory of a path (made when new), or null
  // when the paths of its directory may translate differently: a path not
  // below "//" and two components, or one ending in "/" or "/...".
  DirAnswer* DirectoryAnswer(const StrPtr& path, int mode);
  // Lookup through the answer of the path's directory.
  bool LookupInDirectory(DirAnswer* a, const StrPtr& path, StrBuf* out);
  // Sets cuts to the offsets of the "/"s of the first len bytes of p that
  // start a component after the leading "//" (a last "/" excepted).
  void GatherCuts(const char* p, uint32_t len);
  // The prefix fallback over the cuts of p, longest prefix first, p's own
  // partition being map: true when a "/..." prefix translates; *cut is then
  // where the kept rest starts and prefixOut the translated prefix without
  // its "/...".
  bool FallbackPrefix(const char* p, ViewMap* map, uint32_t* cut, StrBuf* prefixOut);

  StrVarArray lines;
  FoldRules foldRules_;
  StrCaseMode caseMode_;
  // Changes with the fold rules: the answers kept below were folded under
  // the rules of the key they carry.
  int foldKey_ = 0;
  std::map<std::string, ViewMap, std::less<>> partitions;
  ViewMap* lastMap = nullptr;  // not owned
  int lineNumber = 0;
  bool requireVariants;
  bool loaded = false;
  int mappingCount = 0;
  const char* rejectReason = "";  // why ParseMapLine last rejected a line
  bool carryDecisions = false;
  DirectoryDecisions decisions;
  // Scratch: the halves of the mapping being filed.
  MapSide parsedLeft;
  MapSide parsedRight;
  // Scratch buffers reused by every lookup.
  StrBuf key;
  StrBuf base;
  StrBuf candidate;
  StrBuf translated;
  // The last lookup of FindMap: the unfolded partition text, the fold mode
  // it was folded in and the map it found. Paths of a checkpoint come in
  // key order, so most lookups repeat the last one.
  StrBuf lastRawKey;
  int lastFoldMode = -1;  // -1: nothing cached
  ViewMap* lastFound = nullptr;  // not owned
  // Answers kept for the next lookup, valid while the fold mode and the
  // generation (bumped whenever partitions are made or rebuilt) match: the
  // last path and its translation, and the fallback answer of the last
  // directory (the translated prefix and where the kept rest starts).
  uint64_t generation = 0;
  StrBuf lastPath;
  StrBuf lastPathOut;
  bool lastPathTranslated = false;
  int lastPathMode = -1;
  uint64_t lastPathGeneration = 0;
  StrBuf lastDir;
  StrBuf lastDirOut;
  uint32_t lastDirCut = 0;
  bool lastDirTranslated = false;
  int lastDirMode = -1;
  uint64_t lastDirGeneration = 0;
  std::vector<uint32_t> cuts;  // scratch: the component-starting "/"s
  // Answers per directory, valid for one generation and fold mode; emptied
  // when it reaches kDirAnswers directories, which bounds its memory.
  static constexpr size_t kDirAnswers = 65536;
  // Entries gathered per directory at most, and those of them with
  // wildcards (matched in turn) at most.
  static constexpr int kDirEntries = 4096;
  static constexpr int kDirWildEntries = 64;
  std::unordered_map<size_t, DirAnswer> dirAnswers;
  std::vector<const MapEntry*> gathered;  // scratch of DirectoryAnswer
  uint64_t dirGeneration = 0;
  int dirMode = -1;
  // The answers of the last directories met, newest first, and their
  // directories (owned by the answers).
  static constexpr int kRecent = 4;
  DirAnswer* recentAnswers[kRecent] = {};
  std::string_view recentDirs[kRecent];
};

#endif  // ZT_MAP_TRANSLATION_MAP_H_
