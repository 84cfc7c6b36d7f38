# One JSON document: every spelling with its count and tables, the proposed
# spelling, and the name inconsistencies; the file is private to its owner.
set -e
[[ $(stat -c %a report.json) == 600 ]]
python3 - <<'PY'
import json
with open("report.json", encoding="utf-8") as f:
    doc = json.load(f)
assert sorted(doc) == ["checkpoint", "nameInconsistencies", "pathConflicts", "summary"], sorted(doc)
assert list(doc)[:2] == ["checkpoint", "summary"], list(doc)
assert doc["summary"] == {"conflicts": 3, "othersSeenOnce": 0, "headNotMostFrequent": 1}, doc["summary"]
assert doc["checkpoint"] == "checkpoint.ckp"
paths = {c["path"]: c for c in doc["pathConflicts"]}
assert list(paths) == ["//depot/main", "//depot/main/doc/guide.txt", "//projects"], list(paths)
main = paths["//depot/main"]
assert main["usedAs"] == ["directory"] and main["proposed"] == "main"
spell = {s["spelling"]: s for s in main["spellings"]}
assert spell["Main"]["count"] == 4, spell
assert spell["main"]["count"] == 15, spell
assert spell["Main"]["tables"] == ["db.have", "db.label", "db.rev"], spell["Main"]
assert "db.view" in spell["main"]["tables"] and "db.protect" in spell["main"]["tables"]
guide = paths["//depot/main/doc/guide.txt"]
assert guide["usedAs"] == ["file"] and guide["proposed"] == "guide.txt" and guide["head"] == "Guide.txt"
assert main["head"] == "main"
assert {s["spelling"]: s["count"] for s in guide["spellings"]} == {"guide.txt": 3, "Guide.txt": 2}
assert [s["tables"] for s in guide["spellings"] if s["spelling"] == "Guide.txt"] == [["db.rev"]]
projects = paths["//projects"]
assert {s["spelling"]: s["count"] for s in projects["spellings"]} == {"projects": 5, "Projects": 3}
names = {(n["kind"], n["defined"]): {o["spelling"]: o["count"] for o in n["others"]}
         for n in doc["nameInconsistencies"]}
assert names == {
    ("client", "ws-Alice"): {"WS-ALICE": 1, "WS-Alice": 1, "WS-alice": 1, "ws-alice": 3},
    ("group", "Dev-Team"): {"DEV-TEAM": 1, "dev-team": 1},
    ("label", "Release-1.0"): {"RELEASE-1.0": 1, "release-1.0": 1},
}, names
PY
