set -e
"$ZTMIGRATE" -q --report r.csv in.ckp 2>/dev/null || true
python3 - <<'PY'
import csv, json
with open("r.json", encoding="utf-8") as f:
    doc = json.load(f)
got = {c["path"]: sorted(s["spelling"] for s in c["spellings"]) for c in doc["pathConflicts"]}
want = {
    "//depot/A,b": ["A,b", "a,B"],
    "//depot/Say \"hi\"": ["Say \"hi\"", "say \"HI\""],
    "//depot/My Docs": ["My Docs", "my docs"],
    "//depot/X@y": ["X@y", "x@Y"],
    "//depot/Caf\u00e9": ["Caf\u00e9", "caf\u00e9"],
}
assert got == want, got
with open("r.csv", newline="", encoding="latin-1") as f:
    rows = list(csv.DictReader(f))
pairs = sorted((r["name"], r["spelling"], r["count"], r["tables"]) for r in rows if r["kind"] == "path")
assert pairs == sorted((p, s, "1", "db.excl") for p, ss in want.items() for s in ss), pairs
PY
