# The archive tree spells //depot/main as Main and guide.txt as guide.txt:
# the report names both, and counts the one that differs from the proposal.
set -e
python3 - <<'PY'
import json
doc = json.load(open("report.json", encoding="utf-8"))
assert doc["summary"] == {"conflicts": 3, "othersSeenOnce": 0, "headNotMostFrequent": 1,
                          "diskDiffers": 1}, doc["summary"]
disk = {c["path"]: c["disk"] for c in doc["pathConflicts"]}
assert disk == {"//depot/main": "Main", "//depot/main/doc/guide.txt": "guide.txt",
                "//projects": "projects"}, disk
PY
