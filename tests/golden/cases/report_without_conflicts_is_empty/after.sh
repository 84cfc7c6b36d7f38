set -e
python3 -c 'import json; d = json.load(open("r.json")); assert d["pathConflicts"] == [] and d["nameInconsistencies"] == [], d'
