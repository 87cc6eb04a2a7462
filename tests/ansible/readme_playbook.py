#!/usr/bin/env python3
"""The README's Ansible playbook, as written there, run with ansible-core
against this machine (ansible_connection=local) with kavreno on the PATH:
the facts Ansible collected are what the program prints, and the message
the playbook builds names them.

Usage: readme_playbook.py KAVRENO README
Exits 77 (skipped) where ansible-playbook is not installed.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

kavreno, readme = os.path.abspath(sys.argv[1]), sys.argv[2]
playbook_tool = shutil.which("ansible-playbook")
if playbook_tool is None:
    print("SKIP: ansible-playbook is not installed (Debian's ansible-core)")
    sys.exit(77)

with open(readme, encoding="utf-8") as f:
    text = f.read()
blocks = re.findall(r"```yaml\n(.*?)```", text, re.S)
playbook = next(b for b in blocks if "kavreno --json" in b and "hosts:" in b)

with tempfile.TemporaryDirectory() as work:
    bindir = os.path.join(work, "bin")
    os.mkdir(bindir)
    os.symlink(kavreno, os.path.join(bindir, "kavreno"))
    with open(os.path.join(work, "playbook.yml"), "w", encoding="utf-8") as f:
        f.write(playbook)
    with open(os.path.join(work, "hosts"), "w", encoding="utf-8") as f:
        f.write("localhost ansible_connection=local ansible_python_interpreter=%s\n" % sys.executable)
    env = dict(os.environ,
               PATH=bindir + os.pathsep + os.environ.get("PATH", ""),
               HOME=work,  # Ansible keeps its temporary files there
               ANSIBLE_LOCAL_TEMP=os.path.join(work, "tmp"),
               ANSIBLE_STDOUT_CALLBACK="minimal",  # ansible-core's own: a task a block
               ANSIBLE_NOCOLOR="1",
               ANSIBLE_HOST_KEY_CHECKING="False",
               ANSIBLE_CONFIG=os.path.join(work, "ansible.cfg"))  # none: the defaults
    p = subprocess.run([playbook_tool, "-i", "hosts", "playbook.yml"], cwd=work, env=env,
                       capture_output=True, text=True, timeout=300)
    assert p.returncode == 0, (p.returncode, p.stdout[-2000:], p.stderr[-2000:])
    out = p.stdout

# The command's block ("localhost | SUCCESS | rc=0 >>" and what it printed;
# SUCCESS, not CHANGED: changed_when holds) and the debug task's result.
command = re.search(r"^localhost \| (\w+) \| rc=(\d+) >>\n(.*)$", out, re.M)
assert command and command.group(1, 2) == ("SUCCESS", "0"), out
collected = json.loads(command.group(3))
results = [json.loads(block) for block in
           re.findall(r"^localhost \| SUCCESS => (\{.*?^\})", out, re.M | re.S)]

# The facts are the program's own, apart from what changes by itself.
direct = json.loads(subprocess.run([kavreno, "--json"], capture_output=True, check=True,
                                   text=True).stdout)
for report in (collected, direct):
    for key in ("free_kb", "load_percent"):
        del report["memory"][key]
    for drive in report["drives"]:
        del drive["free_bytes"], drive["available_bytes"]
    del report["details"]["generated_utc"]
assert collected == direct, (collected, direct)

message = next((r["msg"] for r in results if "msg" in r), None)
assert message, out
expected = [str(direct["memory"]["total_kb"]) + " KB", f'{len(direct["drives"])} drives',
            direct["details"]["os_name"]]
for part in expected:
    assert part in message, (part, message)
print("ok: the README's playbook collected", message)
