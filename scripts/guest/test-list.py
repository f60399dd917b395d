#!/usr/bin/env python3
"""Turns the CTest list of the 32-bit build into the guest's test list.

    test-list.py BUILD_DIR SOURCE_DIR OUT_LIST OUT_SOURCES

Every test whose command is a Windows program (directly or through the Wine
wrapper) becomes a `zv_test` line of OUT_LIST, a shell fragment that the
guest's runner sources; any other test (a bash or python check) runs on the
host only and becomes a `zv_host_only` line. OUT_SOURCES gets the top-level
folders of SOURCE_DIR that the commands name, which the guest needs as well.
"""
import json
import os
import shlex
import subprocess
import sys

build_dir, source_dir, out_list, out_sources = sys.argv[1:5]
build_dir = os.path.realpath(build_dir)
source_dir = os.path.realpath(source_dir)

listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                         capture_output=True, text=True).stdout
tests = json.loads(listing).get("tests", [])

lines = []
sources = set()


def note_source(path):
    if path.startswith(source_dir + "/") and not path.startswith(build_dir + "/"):
        sources.add(os.path.relpath(path, source_dir).split("/")[0])


for test in tests:
    name = test["name"]
    command = test.get("command") or []
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    if props.get("DISABLED"):
        lines.append("zv_host_only %s %s" % (shlex.quote(name), shlex.quote("disabled in CTest")))
        continue
    if len(command) >= 2 and command[0].endswith("wine-emulator.sh"):
        program = command[1:]
    elif command and command[0].lower().endswith(".exe"):
        program = command
    else:
        tool = os.path.basename(command[0]) if command else "nothing"
        lines.append("zv_host_only %s %s" % (
            shlex.quote(name), shlex.quote("Linux-side check (%s), runs on the host" % tool)))
        continue
    for arg in program:
        note_source(arg)
    timeout = int(float(props.get("TIMEOUT", 1500)))
    workdir = props.get("WORKING_DIRECTORY", build_dir)
    env = props.get("ENVIRONMENT", [])
    if isinstance(env, str):
        env = env.split(";")
    lines.append("zv_test %s %d %s %s -- %s" % (
        shlex.quote(name), timeout, shlex.quote(workdir),
        " ".join(shlex.quote(e) for e in env), " ".join(shlex.quote(a) for a in program)))

with open(out_list, "w") as f:
    f.write("\n".join(lines) + ("\n" if lines else ""))
with open(out_sources, "w") as f:
    f.write("".join(s + "\n" for s in sorted(sources)))
