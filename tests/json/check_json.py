#!/usr/bin/env python3
"""kavreno --json as programs read it: one line of UTF-8 JSON that the schema
in docs/ accepts, one drive entry per block of the text report in its order,
two runs that differ only in what changes by itself, and a write error.

Usage: check_json.py KAVRENO SCHEMA
"""
import json
import os
import subprocess
import sys

import jsonschema

kavreno, schema_file = sys.argv[1], sys.argv[2]
with open(schema_file, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft7Validator.check_schema(schema)


def run_json(*extra):
    p = subprocess.run([kavreno, "--json", *extra], capture_output=True, check=False)
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
        del drive["available_bytes"]
    del report["details"]["generated_utc"]
    return report


assert steady(first) == steady(second), (first, second)

assert first["redacted"] is False
for drive in first["drives"]:
    assert drive["available_bytes"] <= drive["free_bytes"], drive
# "/" is always there: its available space is df's Avail, within what a
# minute's writes by others can change.
os_stat = os.statvfs("/")
root = next(d for d in first["drives"] if d["root"] == "/")
assert abs(root["available_bytes"] - os_stat.f_bavail * os_stat.f_frsize) < 1 << 30, root
assert root["total_bytes"] == os_stat.f_blocks * os_stat.f_frsize, root

# The redacted report: the same schema, "redacted" set, and neither name left
# where it stood as a value.
redacted = run_json("--redact")
assert redacted["redacted"] is True


def texts(value):
    """Every text of a report (its values, not its keys)."""
    if isinstance(value, str):
        yield value
    elif isinstance(value, dict):
        for item in value.values():
            yield from texts(item)
    elif isinstance(value, list):
        for item in value:
            yield from texts(item)


for key, placeholder in (("user_name", "<user>"), ("computer_name", "<computer>")):
    if first[key]:
        assert redacted[key] == placeholder, (key, redacted[key])
        assert first[key] not in texts(redacted), key

# A write error ends the program with status 1 and says why.
with open("/dev/full", "wb") as full:
    p = subprocess.run([kavreno, "--json"], stdout=full, stderr=subprocess.PIPE, check=False)
assert p.returncode == 1, p.returncode
assert p.stderr.decode().startswith("kavreno: write error: "), p.stderr

print(f"ok: {len(first['drives'])} drives, schema and two runs agree")
