# Nothing is found through the link; the real directory still is.
set -e
python3 - <<'PY'
import csv
rows = list(csv.DictReader(open("report.csv", newline="", encoding="utf-8")))
disk = {r["name"]: r["disk"] for r in rows if r["kind"] == "path"}
assert disk == {"//depot/main": "", "//depot/main/doc/guide.txt": "", "//projects": "projects"}, disk
summary = {r["name"]: r["count"] for r in rows if r["kind"] == "summary"}
assert summary["diskDiffers"] == "0", summary
PY
