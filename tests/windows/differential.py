#!/usr/bin/env python3
"""Calls every member of every class through both hosts, bin/keltrane on
Linux and keltrane.exe under Wine, each over its own copy of the demo tree,
and compares what each call printed (status, result, by-reference values,
error, message boxes, log lines), the members' listing, and the INI files and
database rows the calls leave behind.  Paths are compared after each tree's
root is replaced by <root>.  INI files are compared as what they hold, line
by line without blank lines, each read in its platform's encoding: Wine's
profile functions rewrite a file with CR LF line ends and without blank lines,
and write text in the ANSI code page, where ours keep the layout and write
UTF-8.

usage: differential.py LINUX_BUILD WINDOWS_BUILD   (WINEPREFIX set up by the
caller, as scripts/test-windows.sh does)"""
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile

linux_build, windows_build = (os.path.abspath(a) for a in sys.argv[1:3])
wine = shutil.which("wine64") or "/usr/lib/wine/wine64"
work = tempfile.mkdtemp(prefix="keltrane-differential-")
CLASSES = ("Keltrane.clsSubscriber", "Keltrane.clsINIData", "Keltrane.clsProfile", "Keltrane.clsCommon")

# One argument list per round, round-robin per parameter type: ordinary
# values, then values that take other paths (empty, quotes, non-ASCII).
VALUES = {
    "I4": [1, 2, 0, -1, 2147483647],
    "I2": [1, 3, 0, -32768],
    "BOOL": [True, False],
    "BSTR": ["1", "COM1", "", "O'Brien", "caf\u00e9 \u20ac"],
    "DATE": ["2024-02-29T13:45:10", 0],
    "VARIANT": [1, "2", None, True],
    "SAFEARRAY(BSTR)": [["1", "2"], [], None],
    "SAFEARRAY(I4)": [[1, 2], []],
}


def ini_lines(data, encoding):
    """A profile file's lines as (section header | key, value), trimmed, blank lines left out."""
    if data is None:
        return None
    if data.startswith(b"\xef\xbb\xbf"):
        text = data[3:].decode("utf-8", "replace")
    elif data.startswith(b"\xff\xfe"):
        text = data[2:].decode("utf-16-le", "replace")
    else:
        text = data.decode(encoding, "replace")
    out = []
    for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        line = line.strip(" \t")
        if line:
            key, eq, value = line.partition("=")
            out.append((key.strip(" \t"), value.strip(" \t")) if eq and not line.startswith("[") else line)
    return out


class Side:
    def __init__(self, name, command, encoding):
        self.encoding = encoding
        self.root = os.path.join(work, name)
        for d in ("Bin", "Win"):
            os.makedirs(os.path.join(self.root, d))
        self.command = command + ["--module-dir", os.path.join(self.root, "Bin"), "--windows-dir",
                                  os.path.join(self.root, "Win"), "--log", os.path.join(self.root, "k.log")]
        self.env = dict(os.environ, KELTRANE_REGISTRY=os.path.join(self.root, "registry.json"))
        self.env.pop("KELTRANE_DB", None)

    def run(self, args, stdin=None):
        done = subprocess.run(self.command + args, input=stdin, capture_output=True, env=self.env, timeout=600)
        text = done.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        return done.returncode, self.plain(text)

    def plain(self, text):
        # The tree's root as each host spells it, JSON-escaped where it
        # stands inside JSON text.
        for spelling in ("Z:" + self.root.replace("/", "\\"), self.root):
            text = text.replace(json.dumps(spelling, ensure_ascii=False)[1:-1], "<root>").replace(spelling, "<root>")
        return text.replace("<root>\\\\", "<root>/")

    def files(self):
        out = {}
        for rel in ("Storage/Vizaride32.ini", "Win/download.ini"):
            path = os.path.join(self.root, rel)
            out[rel] = ini_lines(open(path, "rb").read() if os.path.exists(path) else None, self.encoding)
        db_path = os.path.join(self.root, "Storage", "Suite.db")
        if not os.path.exists(db_path):
            out["database"] = None
            return out
        with sqlite3.connect(db_path) as db:
            for (table,) in db.execute("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"):
                out["table " + table] = sorted(map(repr, db.execute(f'SELECT * FROM "{table}"')))
        return out


# Non-ASCII folder names, as a site's may be: paths must stay UTF-8 through
# both hosts, both libraries and the stand-ins.
linux = Side("linux-\u00e9", [os.path.join(linux_build, "bin", "keltrane")], "utf-8")
# The ANSI code page of a fresh Wine prefix in the C locale.
windows = Side("windows-\u00e9", [wine, os.path.join(windows_build, "bin", "keltrane.exe")], "cp1252")
for side in (linux, windows):
    status, out = side.run(["init", "--demo"])
    if status != 0:
        sys.exit(f"differential: init failed on {side.root}: {out}")

failures = []
calls = 0
for target in CLASSES:
    listing = [side.run(["members", target])[1] for side in (linux, windows)]
    if listing[0] != listing[1]:
        failures.append(f"{target}: the members listings differ")
    lines = [json.dumps({"new": "o", "target": target})]
    for m in json.loads(listing[0]):
        rounds = max([len(VALUES[p["type"]]) for p in m["params"]] or [1])
        for n in range(rounds):
            args = [VALUES[p["type"]][n % len(VALUES[p["type"]])] for p in m["params"]]
            member = m["name"] if m["kind"] != "propget" else m["dispid"]
            lines.append(json.dumps({"call": "o", "member": member, "args": args}))
    lines.append(json.dumps({"release": "o"}))
    batch = ("\n".join(lines) + "\n").encode()
    answers = [side.run(["batch"], batch)[1].splitlines() for side in (linux, windows)]
    for i, request in enumerate(lines[1:-1], start=1):
        calls += 1
        got = [a[i] if i < len(a) else "<no answer>" for a in answers]
        if got[0] != got[1]:
            failures.append(f"{request}\n  linux:   {got[0][:2000]}\n  windows: {got[1][:2000]}")

after = [side.files() for side in (linux, windows)]
for name in sorted(set(after[0]) | set(after[1])):
    if after[0].get(name) != after[1].get(name):
        failures.append(f"{name} differs after the calls:\n  linux:   {after[0].get(name)!r:.2000}\n"
                        f"  windows: {after[1].get(name)!r:.2000}")

for f in failures:
    print("DIFFERS:", f)
print(f"differential: {calls} calls on each host, {len(failures)} differences")
if not failures:
    shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
