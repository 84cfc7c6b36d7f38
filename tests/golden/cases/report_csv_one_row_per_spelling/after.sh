# One row per spelling, the same paths as the conflict map, in its order.
set -e
python3 - <<'PY'
import csv
with open("report.CSV", newline="", encoding="utf-8") as f:
    rows = list(csv.DictReader(f))
assert rows and list(rows[0]) == ["kind", "name", "spelling", "count", "proposed", "tables", "head", "disk"]
assert all(None not in r for r in rows), rows  # every row has every column
summary = {r["name"]: int(r["count"]) for r in rows if r["kind"] == "summary"}
assert summary == {"conflicts": 3, "othersSeenOnce": 0, "headNotMostFrequent": 1}, summary
assert [r["kind"] for r in rows[:3]] == ["summary"] * 3
paths = [r for r in rows if r["kind"] == "path"]
assert len(paths) == 6, paths
order = []
for r in paths:
    if r["name"] not in order:
        order.append(r["name"])
with open("map.txt") as f:
    lines = [l.split()[0] for l in f if l.startswith("//")]
assert [l[:-4] if l.endswith("/...") else l for l in lines] == order, (lines, order)
row = [r for r in paths if r["name"] == "//projects" and r["spelling"] == "Projects"][0]
assert row["count"] == "3" and row["proposed"] == "projects" and row["tables"] == "db.rev db.view", row
guide = [r for r in paths if r["name"] == "//depot/main/doc/guide.txt"]
assert {r["head"] for r in guide} == {"Guide.txt"} and {r["proposed"] for r in guide} == {"guide.txt"}, guide
clients = {r["spelling"]: int(r["count"]) for r in rows if r["kind"] == "client"}
assert clients == {"WS-ALICE": 1, "WS-Alice": 1, "WS-alice": 1, "ws-alice": 3}, clients
assert all(r["proposed"] == "ws-Alice" for r in rows if r["kind"] == "client")
assert sum(1 for r in rows if r["kind"] in ("label", "group")) == 4
PY
