#!/usr/bin/env python3
"""kavreno --json as programs read it: one line of UTF-8 JSON that the schema
in docs/ accepts, one drive entry per block of the text report in its order,
two runs that differ only in what changes by itself, and a write error.

Usage: check_json.py KAVRENO SCHEMA
"""
import json
import subprocess
import sys

import jsonschema

kavreno, schema_file = sys.argv[1], sys.argv[2]
with open(schema_file, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft7Validator.check_schema(schema)


def run_json():
    p = subprocess.run([kavreno, "--json"], capture_output=True, check=False)
    assert p.returncode == 0, (p.returncode, p.stderr)
    out = p.stdout.decode("utf-8")  # strict: UTF-8 or an error
    assert out.endswith("\n") and out.count("\n") == 1, repr(out[-80:])
    report = json.loads(out)
    jsonschema.validate(report, schema, cls=jsonschema.Draft7Validator)
    return report


first, second = run_json(), run_json()

# The drives are the text report's blocks, in its order.
text = subprocess.run([kavreno, "--text"], capture_output=True, check=True).stdout.decode()
roots = [line[len("Disk "):] for line in text.splitlines() if line.startswith("Disk ")]
assert [d["root"] for d in first["drives"]] == roots, (first["drives"], roots)
assert first["os"]["version"] == f'{first["os"]["major"]}.{first["os"]["minor"]}'


def steady(report):
    """The report without free memory, memory load and free bytes."""
    report = json.loads(json.dumps(report))
    for key in ("free_kb", "load_percent"):
        del report["memory"][key]
    for drive in report["drives"]:
        del drive["free_bytes"]
    return report


assert steady(first) == steady(second), (first, second)

# A write error ends the program with status 1 and says why.
with open("/dev/full", "wb") as full:
    p = subprocess.run([kavreno, "--json"], stdout=full, stderr=subprocess.PIPE, check=False)
assert p.returncode == 1, p.returncode
assert p.stderr.decode().startswith("kavreno: write error: "), p.stderr

print(f"ok: {len(first['drives'])} drives, schema and two runs agree")
