# The report holds both, as JSON.
python3 - <<'PY'
import json
d = json.load(open("diff.json"))["differences"]
assert [x["kind"] for x in d] == ["archive-missing", "archive-missing"], d
assert {x["original"] for x in d} == {"depot/main/doc/Guide.txt,v", "depot/main/src/util.c,v"}, d
PY
