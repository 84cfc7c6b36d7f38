set -e
python3 - <<'PY'
import json
with open("r.json", encoding="utf-8") as f:
    doc = json.load(f)
assert [(c["path"], c["proposed"]) for c in doc["pathConflicts"]] == [("//depot/Dir", "Dir")], doc
assert [l for l in open("map.txt") if l.startswith("//")] == ["//depot/Dir/... //depot/Dir/...\n"]
PY
