"""Every exercise and course in the folder meets exercise.schema.json, and
the schema refuses what zar check refuses.

    schema_test.py EXERCISES_DIR
"""

import json
import pathlib
import sys

import jsonschema

folder = pathlib.Path(sys.argv[1])
schema = json.loads((folder / "exercise.schema.json").read_text())
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
failed = []
files = sorted(p for p in folder.glob("*.json") if p.name != "exercise.schema.json")
for path in files:
  failed += [f"{path.name}: {e.json_path}: {e.message}" for e in validator.iter_errors(json.loads(path.read_text()))]


def Exercise(expect):
  return {"title": "T", "task": "t", "cases": [{"name": "x", "steps": 9, "expect": expect}]}


refused = {
    "a misspelt key": Exercise({"consol": "A"}),
    "a case that expects nothing": Exercise({}),
    "a pixel off the screen": Exercise({"pixels": [{"x": 256, "y": 0, "color": "#ffffff"}]}),
    "a cell above 255": Exercise({"cells": {"10": 256}}),
    "a cell address above 255": Exercise({"cells": {"256": 1}}),
    "no cases": {"title": "T", "task": "t", "cases": []},
    "points of 0": {"title": "T", "task": "t", "cases": [{"name": "x", "steps": 9, "points": 0, "expect": {"sent": ""}}]},
    "a course entry without a title": {"title": "C", "exercises": [{"file": "01.json"}]},
}
failed += [f"the schema takes {why}" for why, document in refused.items() if validator.is_valid(document)]
print("\n".join(failed) or f"{len(files)} files meet the schema; it refuses {len(refused)} faults")
sys.exit(1 if failed or len(files) < 13 else 0)
