#!/usr/bin/env python3
"""Calls every member of every class through the keltrane host with hostile
arguments: 32-bit and 16-bit extremes, empty and 1 MB strings, quotes and
statement fragments, invalid UTF-8, extreme dates.  Passes when no call
crashes the host (every answer is a JSON object, exit status 0 or 1) and the
suite database still holds all its rows afterwards.  With
KELTRANE_TEST_BACKEND=postgresql the database is a fresh schema on the server
KELTRANE_TEST_PG names (psql makes it and counts its rows).

usage: sweep.py BUILD_DIR"""
import json
import os
import sqlite3
import subprocess
import sys
import tempfile

build = os.path.abspath(sys.argv[1])
host = os.path.join(build, "bin", "keltrane")
work = tempfile.mkdtemp(prefix="keltrane-sweep-")
base = [host, "--module-dir", os.path.join(work, "Bin"), "--windows-dir", os.path.join(work, "Win"),
        "--log", os.path.join(work, "k.log")]
env = dict(os.environ, KELTRANE_REGISTRY=os.path.join(work, "registry.json"))


TABLES = ("panel", "Subscriber", "panel_names", "Companies", "StateData")
if os.environ.get("KELTRANE_TEST_BACKEND") == "postgresql":
    server = os.environ.get("KELTRANE_TEST_PG")
    if not server:
        print("KELTRANE_TEST_PG is not set: run through scripts/with-postgres.sh")
        sys.exit(0)
    schema = "sweep_%d" % os.getpid()
    subprocess.run(["psql", "-q", server, "-c", "CREATE SCHEMA " + schema], check=True)
    db = server + ("&" if "?" in server else "?") + "options=-csearch_path%3D" + schema

    def counts():
        sql = "; ".join(f"SELECT COUNT(*) FROM {t}" for t in TABLES)
        out = subprocess.run(["psql", "-At", db, "-c", sql], capture_output=True, text=True, check=True).stdout
        return dict(zip(TABLES, map(int, out.split())))
else:
    db = os.path.join(work, "Storage", "Suite.db")

    def counts():
        with sqlite3.connect(db) as c:
            return {t: c.execute(f"SELECT COUNT(*) FROM {t}").fetchone()[0] for t in TABLES}
base += ["--db", db]


def run(args, stdin=None):
    return subprocess.run(base + args, input=stdin, capture_output=True, env=env, timeout=300)


run(["init", "--demo"])


before = counts()
BIG = "x" * (1 << 20)
VALUES = {
    "I4": [2147483647, -2147483648, 0, "2147483648"],
    "I2": [32767, -32768, 65535, 1],
    "BOOL": [1, -1, 32767],
    "BSTR": ["", BIG, "'; DROP TABLE panel; --", "x' OR '1'='1", "/U=99e99999 /odbc=x /a=", "\u00e9\u20ac\U0001F600"],
    "DATE": [2958465.99999, -657434.0, 0, "1899-12-29T06:00:00"],
    "VARIANT": [None, "'; DROP TABLE panel; --", 2147483647, True, {"empty": True}],
    "SAFEARRAY(BSTR)": [None, [], [BIG]],
    "SAFEARRAY(I4)": [None, [2147483647]],
}

failures = []
calls = 0
for target in ("Keltrane.clsSubscriber", "Keltrane.clsINIData", "Keltrane.clsProfile", "Keltrane.clsCommon"):
    members = json.loads(run(["members", target]).stdout)
    lines = [json.dumps({"new": "o", "target": target})]
    for m in members:
        params = m["params"]
        for round_ in range(max([len(VALUES[p["type"]]) for p in params] or [1])):
            args = [VALUES[p["type"]][round_ % len(VALUES[p["type"]])] for p in params]
            lines.append(json.dumps({"call": "o", "member": m["name"] if m["kind"] != "propget" else m["dispid"],
                                     "args": args}))
    lines.append(json.dumps({"release": "o"}))
    r = run(["--answer", "yes", "batch"], ("\n".join(lines) + "\n").encode())
    answers = r.stdout.decode("utf-8", "replace").splitlines()
    calls += len(answers)
    if r.returncode not in (0, 1) or len(answers) != len(lines):
        failures.append(f"{target}: exit {r.returncode}, {len(answers)} answers for {len(lines)} lines")
    for a in answers:
        if not isinstance(json.loads(a), dict):
            failures.append(f"{target}: not an object: {a[:200]}")

# Invalid UTF-8 can only arrive as a raw command-line argument.
for member, args in (("ini_get", [b"\xff\xfe", b"\xc3", b"\xed\xa0\x80"]),
                     ("command_Line_Get", [b"/\xff=", b"\xfe", b"/\xff=\x80 x"])):
    r = subprocess.run(base + ["call", "Keltrane.clsINIData", member] + args, capture_output=True, env=env)
    calls += 1
    if r.returncode not in (0, 1):
        failures.append(f"{member} with invalid UTF-8: exit {r.returncode}")

after = counts()
if after != before:
    failures.append(f"database changed: {before} -> {after}")
print(f"{calls} hostile calls, {len(failures)} failures")
for f in failures:
    print("  " + f)
sys.exit(1 if failures else 0)
