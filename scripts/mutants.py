#!/usr/bin/env python3
"""Mutation check of the library's own sources.

Plants one small fault at a time in a source file (a flipped comparison, an
integer moved by one, a negated condition, a dropped statement, true and false
swapped), rebuilds incrementally in its own build folder, runs the test
binaries that cover the file's folder and records whether a test failed
(killed), every test passed (survived) or the fault did not compile
(stillborn).  The sample is drawn with a fixed seed from every candidate site,
so two runs with the same seed plant the same faults.

The file under test is always written back, atomically, from the copy read
before the fault was planted: on success, on failure, on Ctrl-C and on
SIGTERM.  A copy also sits in the build folder with a marker naming the file,
so that a run killed outright is repaired by the next one before it starts.

Usage: scripts/mutants.py [--seed N] [--count N] [--folder PREFIX] [--resume] [--kills] [--tally]

With --kills every test of the covering binaries runs for each mutant and
the report records which tests failed; --tally then prints, per test, the
mutants it kills and those no other test kills.
"""

import argparse
import atexit
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SOURCE_FOLDERS = ("src", "platform", "suite", "tools/keltrane")

# Folder (longest prefix wins) -> test binaries that cover it.  The first
# list is the folder's own layer (tests/CMakeLists.txt builds one binary per
# layer) and runs for every mutant; the second holds the other layers whose
# tests reach the folder's code, and runs only when the first let the mutant
# through, so that a survivor is one that no unit test binary notices.
COVERAGE = {
    "platform/base": (["base_tests", "frame_tests"], ["platform_profile_tests", "config_tests", "common_tests"]),
    "platform/profile": (["platform_profile_tests"], ["config_tests", "common_tests"]),
    "platform/rt": (["rt_tests"], ["com_tests", "suite_tests"]),
    "src/frame": (["frame_tests"], ["common_tests", "subscriber_tests", "config_tests", "profile_tests"]),
    "src/logging": (["common_tests", "subscriber_tests"], ["profile_tests", "config_tests"]),
    "src/profile": (["profile_tests"], ["com_tests", "host_tests"]),
    "src/common": (["common_tests"], ["com_tests", "host_tests"]),
    "src/config": (["config_tests"], ["com_tests", "host_tests"]),
    "src/subscriber": (["subscriber_tests"], ["com_tests", "host_tests"]),
    "src/com": (["com_tests"], ["host_tests"]),
    "suite": (["suite_tests"], ["subscriber_tests", "config_tests", "com_tests"]),
    "tools/keltrane": (["host_tests"], []),
}
# What a test binary loads or starts at run time rather than links, rebuilt
# with it: the suite's components that the run time finds in bin/, and the
# host program (bin/keltrane with libKeltrane.so) that host_tests and the
# tests using tests/support/host_runner.h start.
COMPONENTS = ["KeltraneSuite", "Rared16uzeRozudivovavuv"]
HOST = COMPONENTS + ["Keltrane", "keltrane"]
RUNTIME_OF = {"config_tests": COMPONENTS, "com_tests": HOST, "subscriber_tests": HOST, "host_tests": HOST}


def targets_of(binaries):
    return sorted(set(binaries).union(*(RUNTIME_OF.get(b, []) for b in binaries)))


# Files that are compiled but not exercised by the plain test run:
# the PostgreSQL connection needs the throwaway cluster of `make test`.
SKIP_FILES = {"suite/db/pg_connection.cc"}

BUILD_TIMEOUT = 600


class Interrupted(Exception):
    pass


def on_signal(signum, _frame):
    raise Interrupted(f"signal {signum}")


# ---------------------------------------------------------------- sources


def folder_of(path):
    best = None
    for key in COVERAGE:
        if path == key or path.startswith(key + "/"):
            if best is None or len(key) > len(best):
                best = key
    return best


def compiled_sources(build):
    """Our .cc files that the Linux build compiles, relative to the root."""
    db = json.loads((build / "compile_commands.json").read_text())
    files = set()
    for entry in db:
        path = Path(entry["file"])
        if not path.is_absolute():
            path = Path(entry["directory"]) / path
        try:
            rel = path.resolve().relative_to(ROOT).as_posix()
        except ValueError:
            continue
        if rel.startswith(SOURCE_FOLDERS) and rel.endswith(".cc") and rel not in SKIP_FILES:
            if folder_of(rel):
                files.add(rel)
    return sorted(files)


def mask_lines(lines):
    """Each line with string and character literals and comments blanked
    (same length), so that operators are only found in code."""
    out = []
    in_block = False
    raw_end = None
    for line in lines:
        chars = list(line)
        i = 0
        n = len(line)
        while i < n:
            if raw_end is not None:
                j = line.find(raw_end, i)
                stop = n if j < 0 else j + len(raw_end)
                for k in range(i, stop):
                    chars[k] = " "
                if j >= 0:
                    raw_end = None
                i = stop
                continue
            if in_block:
                j = line.find("*/", i)
                stop = n if j < 0 else j + 2
                for k in range(i, stop):
                    chars[k] = " "
                if j >= 0:
                    in_block = False
                i = stop
                continue
            c = line[i]
            if line.startswith("//", i):
                for k in range(i, n):
                    chars[k] = " "
                break
            if line.startswith("/*", i):
                in_block = True
                continue
            m = re.match(r'(?:u8|u|U|L)?R"([^(\s]*)\(', line[i:])
            if m and (i == 0 or not (line[i - 1].isalnum() or line[i - 1] == "_")):
                raw_end = ")" + m.group(1) + '"'
                for k in range(i, i + m.end()):
                    chars[k] = " "
                i += m.end()
                continue
            if c in "\"'":
                if c == "'" and i > 0 and line[i - 1].isalnum():  # digit separator 1'000
                    i += 1
                    continue
                j = i + 1
                while j < n and line[j] != c:
                    j += 2 if line[j] == "\\" else 1
                for k in range(i, min(j + 1, n)):
                    chars[k] = " "
                i = j + 1
                continue
            i += 1
        out.append("".join(chars))
    return out


COMPARISONS = [
    (r"(?<=\s)<=(?=\s)", "<"),
    (r"(?<=\s)>=(?=\s)", ">"),
    (r"(?<=\s)<(?=\s)", "<="),
    (r"(?<=\s)>(?=\s)", ">="),
    (r"(?<=\s)==(?=\s)", "!="),
    (r"(?<=\s)!=(?=\s)", "=="),
]
INTEGER = re.compile(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])")
CONDITION = re.compile(r"\b(if|while)\s*\(")
BOOLEAN = re.compile(r"\b(true|false)\b")
ASSIGNMENT = re.compile(r"^\s*[\w:.\[\]>*-]+(?:\(\))?\s*(=|\+=|-=|\*=|/=|%=|\|=|&=|\^=|<<=|>>=)\s*\S")
CALL = re.compile(r"^\s*(?:\(?\*?[\w:]+\)?(?:\.|->|::))*[\w:~]+(?:<[\w:, *&]*>)?\(.*\);\s*$")
INCREMENT = re.compile(r"^\s*(?:\+\+|--)?[\w.\->\[\]]+(?:\+\+|--)?;\s*$")
NOT_STATEMENT = re.compile(
    r"^\s*(return|break|continue|case|default|using|typedef|goto|static_assert|throw|co_return|delete|"
    r"public|private|protected|friend|namespace|template|extern|struct|class|enum|union)\b")


def balanced_paren(text, start):
    """Index of the ')' that closes the '(' at start, or -1."""
    depth = 0
    for i in range(start, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


def candidate_sites(path, lines):
    masked = mask_lines(lines)
    sites = []

    def add(line_no, op, col, old, new):
        sites.append({"file": path, "line": line_no + 1, "op": op, "col": col, "old": old, "new": new})

    prev_code = "{"
    for no, code in enumerate(masked):
        stripped = code.strip()
        text = lines[no]
        if not stripped:
            continue
        if stripped.startswith("#"):
            prev_code = "{"
            continue
        if not stripped.startswith(("template", "static_assert", "alignas")) and "operator" not in stripped:
            for pattern, new in COMPARISONS:
                for m in re.finditer(pattern, code):
                    add(no, "comparison", m.start(), m.group(0), new)
        for m in INTEGER.finditer(code):
            value = int(m.group(1))
            if m.group(1).startswith("0") and len(m.group(1)) > 1:
                continue  # octal
            if stripped.startswith(("case ", "enum")) or re.search(r"\[\s*" + m.group(1) + r"\s*\]\s*[;={]", code):
                continue
            new = str(value + 1) if value == 0 else str(value - 1)
            add(no, "integer", m.start(1), m.group(1), new)
        for m in CONDITION.finditer(code):
            if code[m.end():].lstrip().startswith("constexpr"):
                continue
            open_at = m.end() - 1
            close_at = balanced_paren(code, open_at)
            if close_at < 0:
                continue
            inner = text[open_at + 1:close_at]
            if ";" in code[open_at:close_at]:
                continue
            add(no, "negate", open_at, "(" + inner + ")", "(!(" + inner + "))")
        for m in BOOLEAN.finditer(code):
            add(no, "boolean", m.start(), m.group(1), "false" if m.group(1) == "true" else "true")
        statement_start = prev_code.endswith((";", "{", "}")) or re.search(r"(?:^|\s)(?:else|do)$|:$", prev_code)
        if (statement_start and stripped.endswith(";") and not NOT_STATEMENT.match(code)
                and code.count("(") == code.count(")") and "{" not in code and "}" not in code
                and not re.match(r"^\s*(if|for|while|switch|else)\b", code)
                and (ASSIGNMENT.match(code) or CALL.match(code) or INCREMENT.match(code))):
            indent = len(text) - len(text.lstrip())
            add(no, "drop", indent, text.strip(), ";")
        prev_code = stripped
    return sites


def apply_site(lines, site):
    text = lines[site["line"] - 1]
    col, old = site["col"], site["old"]
    if site["op"] == "drop":
        col = text.index(old)
    if text[col:col + len(old)] != old:
        raise RuntimeError(f"{site['file']}:{site['line']}: expected {old!r} at column {col}")
    mutated = list(lines)
    mutated[site["line"] - 1] = text[:col] + site["new"] + text[col + len(old):]
    return mutated


def site_id(site):
    return f"{site['file']}:{site['line']}:{site['col']}:{site['op']}:{site['new']}"


# ---------------------------------------------------------------- files


def write_atomically(path, data):
    tmp = path.with_name("." + path.name + ".mutants-tmp")
    with open(tmp, "wb") as out:
        out.write(data)
        out.flush()
        os.fsync(out.fileno())
    os.replace(tmp, path)


class Guard:
    """Keeps the pristine text of the file being mutated, in memory and in
    the build folder, and writes it back when the block ends however it ends."""

    def __init__(self, build, rel):
        self.path = ROOT / rel
        self.pristine = self.path.read_bytes()
        self.marker = build / "mutants.active"
        self.copy = build / "mutants.pristine"
        write_atomically(self.copy, self.pristine)
        write_atomically(self.marker, rel.encode())

    def __enter__(self):
        return self

    def __exit__(self, *_exc):
        write_atomically(self.path, self.pristine)
        self.marker.unlink(missing_ok=True)
        return False


def repair_after_crash(build):
    marker = build / "mutants.active"
    copy = build / "mutants.pristine"
    if marker.exists() and copy.exists():
        rel = marker.read_text().strip()
        print(f"mutants: an earlier run stopped with {rel} mutated; writing its pristine copy back")
        write_atomically(ROOT / rel, copy.read_bytes())
        marker.unlink()


def sources_clean():
    for args in (["git", "diff", "--quiet", "--"], ["git", "diff", "--cached", "--quiet", "--"]):
        if subprocess.run(args + list(SOURCE_FOLDERS), cwd=ROOT).returncode != 0:
            return False
    return True


# ---------------------------------------------------------------- build, run


def configure(build):
    # Every run: a source added since the last one is in compile_commands.json
    # before the candidate sites are read.
    # Built for rebuild speed, not run speed: -O1 without debug information
    # compiles a mutated file in a fraction of -O2 -g's time, and lld links
    # the test binaries several times faster than ld.bfd.  Each mutant costs
    # one compile and a few links, so these two set the pace of a run.
    lld = ["-fuse-ld=lld"] if shutil.which("ld.lld") else []
    link = " ".join(lld)
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_FLAGS_DEBUG=-O1", "-DCMAKE_C_FLAGS_DEBUG=-O1",
                    f"-DCMAKE_EXE_LINKER_FLAGS={link}", f"-DCMAKE_SHARED_LINKER_FLAGS={link}",
                    f"-DCMAKE_MODULE_LINKER_FLAGS={link}", "-DKELTRANE_WERROR=OFF",
                    "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"], check=True, stdout=subprocess.DEVNULL)


def build_targets(build, targets, jobs):
    """True when the targets built; the compiler's output otherwise."""
    try:
        proc = subprocess.run(["cmake", "--build", str(build), "-j", str(jobs), "--target", *targets],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=BUILD_TIMEOUT)
    except subprocess.TimeoutExpired:
        return "build timed out"
    return True if proc.returncode == 0 else proc.stdout[-2000:]


def scratch_folder():
    """A private temporary folder for the tests, in memory when there is
    some: the profile and database writes fsync, which on a disk costs the
    config and suite binaries ten times their run time."""
    base = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
    path = tempfile.mkdtemp(prefix="kt-mutants.", dir=base)
    # Open to other users like /tmp: a test run as root drops to another
    # user in a child that still has to reach its files.
    os.chmod(path, 0o1777)
    return path


def run_binary(build, name, timeout, scratch, report=None):
    """'pass', 'fail' or 'timeout', with the seconds taken.  With a report
    path the binary runs every test and writes gtest's JSON report there."""
    env = dict(os.environ, KELTRANE_REGISTRY=str(build / "test-registry.json"), TMPDIR=scratch)
    start = time.monotonic()
    flags = [f"--gtest_output=json:{report}"] if report else ["--gtest_fail_fast"]
    proc = subprocess.Popen([str(build / "bin" / name), *flags, "--gtest_brief=1"],
                            cwd=build, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    try:
        code = proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        return "timeout", time.monotonic() - start
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise
    return ("pass" if code == 0 else "fail"), time.monotonic() - start


def failed_tests(report, every=False):
    """The tests a gtest JSON report lists as failed (every test listed,
    with `every`), as 'file:line Suite.Name', or None when the report is
    missing: the binary crashed or hung before writing it."""
    try:
        data = json.loads(Path(report).read_text())
    except (OSError, ValueError):
        return None
    failed = set()
    for suite in data.get("testsuites", []):
        for test in suite.get("testsuite", []):
            if every or test.get("failures"):
                name = f"{suite['name']}.{test['name']}"
                if every:
                    name = test_group(name)
                where = Path(test.get("file", "?")).resolve()
                try:
                    where = where.relative_to(ROOT)
                except ValueError:
                    pass
                failed.add(f"{where}:{test.get('line', 0)} {name}")
    return sorted(failed)


def kills_of(build, binaries, timeout_of, scratch):
    """Every test of these binaries that fails on the current build, as
    'binary file:line Suite.Name'."""
    kills = []
    for name in binaries:
        report = Path(scratch) / f"{name}.report.json"
        report.unlink(missing_ok=True)
        outcome, _ = run_binary(build, name, timeout_of(name), scratch, report)
        if outcome == "pass":
            continue
        failed = failed_tests(report) if outcome == "fail" else None
        what = failed if failed else [f"({'hang' if outcome == 'timeout' else 'crash'})"]
        kills.extend(f"{name} {test}" for test in what)
    return kills


# ---------------------------------------------------------------- report


def summarise(results):
    table = {}
    for r in results:
        row = table.setdefault(r["folder"], {"killed": 0, "survived": 0, "stillborn": 0, "own_layer": 0})
        row[r["status"]] += 1
        if r["status"] == "killed" and r["by"].split()[0] in COVERAGE[r["folder"]][0]:
            row["own_layer"] += 1
    return table


def kill_rate(row):
    live = row["killed"] + row["survived"]
    return None if live == 0 else row["killed"] / live


def print_table(table):
    print(f"\n{'folder':<18}{'killed':>8}{'survived':>10}{'stillborn':>11}{'kill rate':>11}{'own layer':>11}")
    total = {"killed": 0, "survived": 0, "stillborn": 0, "own_layer": 0}
    for folder in sorted(table):
        row = table[folder]
        for k in total:
            total[k] += row[k]
        rate = kill_rate(row)
        print(f"{folder:<18}{row['killed']:>8}{row['survived']:>10}{row['stillborn']:>11}"
              f"{'-' if rate is None else f'{rate:.0%}':>11}{row['own_layer']:>11}")
    rate = kill_rate(total)
    print(f"{'all':<18}{total['killed']:>8}{total['survived']:>10}{total['stillborn']:>11}"
          f"{'-' if rate is None else f'{rate:.0%}':>11}{total['own_layer']:>11}")
    print("(kill rate: killed / (killed + survived); own layer: killed by the folder's own test binary)")


def write_report(build, args, results, seconds, candidates):
    table = summarise(results)
    report = {
        "seed": args.seed,
        "count": args.count,
        "folder": args.folder,
        "candidates": candidates,
        "seconds": round(seconds, 1),
        "seconds_per_mutant": round(seconds / len(results), 1) if results else None,
        "folders": {f: dict(row, kill_rate=kill_rate(row)) for f, row in table.items()},
        "mutants": results,
    }
    write_atomically(build / "mutants.json", (json.dumps(report, indent=1) + "\n").encode())
    survivors = [f"{r['file']}:{r['line']}: {r['op']}: {r['old']}  ->  {r['new']}"
                 for r in results if r["status"] == "survived"]
    write_atomically(build / "mutants-survivors.txt", ("\n".join(survivors) + "\n").encode())


def test_group(name):
    """'Rows/Suite.Name/row' -> 'Suite.Name': a table's rows are one test."""
    suite, _, test = name.partition(".")
    return suite.rsplit("/", 1)[-1] + "." + test.split("/", 1)[0]


def all_tests(build):
    """'file:line Suite.Name' of every test in the layers' binaries."""
    tests = set()
    for name in sorted({b for tiers in COVERAGE.values() for tier in tiers for b in tier}):
        with tempfile.NamedTemporaryFile(suffix=".json") as out:
            subprocess.run([str(build / "bin" / name), "--gtest_list_tests", f"--gtest_output=json:{out.name}"],
                           stdout=subprocess.DEVNULL, check=True)
            tests.update(failed_tests(out.name, every=True))
    return tests


def print_tally(build):
    """From a --kills report: per test (a table's rows together), the
    mutants it kills and how many of those no other test kills.  A test
    killing nothing is a candidate to cut unless it pins what no mutant
    changes (a text, a hostile file, a race)."""
    results = json.loads((build / "mutants.json").read_text())["mutants"]
    if not any("kills" in r for r in results):
        sys.exit("mutants: this report has no kills; run with --kills first")
    killed_by = {test: set() for test in all_tests(build)}
    for r in results:
        for test in r.get("kills", []):
            binary, _, rest = test.partition(" ")
            where, _, name = rest.partition(" ")
            key = f"{where} {test_group(name)}" if name else f"{binary} {where}"
            killed_by.setdefault(key, set()).add(r["id"])
    killers = {}
    for test, ids in killed_by.items():
        for i in ids:
            killers.setdefault(i, set()).add(test)
    print(f"{'kills':>6}{'only':>6}  test")
    for test, ids in sorted(killed_by.items(), key=lambda kv: (-len(kv[1]), kv[0])):
        only = sum(1 for i in ids if len(killers[i]) == 1)
        print(f"{len(ids):>6}{only:>6}  {test}")


# ---------------------------------------------------------------- main


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=300)
    parser.add_argument("--folder", default="", help="only sources under this folder, e.g. src/config")
    parser.add_argument("--build", default="build-mutants")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--resume", action="store_true", help="keep the results of the report already written")
    parser.add_argument("--list", action="store_true", help="print the sampled mutants and stop")
    parser.add_argument("--remeasure", default="",
                        help="with --resume: measure again only the mutants these test binaries reach "
                             "(comma-separated, e.g. after their tests changed); the rest keep their result")
    parser.add_argument("--kills", action="store_true",
                        help="run every test of both tiers for each mutant and record which tests fail "
                             "(the 'kills' of each mutant in the report): shows which tests earn their place")
    parser.add_argument("--tally", action="store_true",
                        help="print, from the --kills report, the mutants each test kills and stop")
    args = parser.parse_args()

    build = (ROOT / args.build).resolve()
    if args.tally:
        print_tally(build)
        return
    build.mkdir(exist_ok=True)
    repair_after_crash(build)
    if not sources_clean():
        sys.exit("mutants: the source folders have uncommitted changes; commit or stash them first, "
                 "so that a planted fault can never be mistaken for a change of yours")
    configure(build)

    sites = []
    for rel in compiled_sources(build):
        if args.folder and not (rel == args.folder or rel.startswith(args.folder.rstrip("/") + "/")):
            continue
        sites.extend(candidate_sites(rel, (ROOT / rel).read_text().split("\n")))
    if not sites:
        sys.exit(f"mutants: no candidate sites under {args.folder or 'the source folders'}")
    sample = random.Random(args.seed).sample(sites, min(args.count, len(sites)))
    # Mutants of one file one after another: one file recompiled per mutant.
    sample.sort(key=lambda s: (s["file"], s["line"], s["col"], s["op"], s["new"]))
    if args.list:
        for s in sample:
            print(f"{s['file']}:{s['line']}: {s['op']}: {s['old']}  ->  {s['new']}")
        return

    results = []
    done = set()
    report_path = build / "mutants.json"
    if args.resume and report_path.exists():
        old = json.loads(report_path.read_text())
        if old.get("seed") == args.seed and old.get("folder") == args.folder:
            results = old["mutants"]
            if args.remeasure:
                # A mutant's outcome depends only on the binaries of its
                # folder's tiers; one none of the changed binaries reach
                # would be measured to the same result again.
                changed = set(args.remeasure.split(","))
                results = [r for r in results
                           if not changed & {b for tier in COVERAGE[r["folder"]] for b in tier}]
            done = {r["id"] for r in results}
            print(f"mutants: resuming, {len(done)} already measured")

    folders = sorted({folder_of(s["file"]) for s in sample})
    binaries = sorted({b for f in folders for tier in COVERAGE[f] for b in tier})
    print(f"mutants: {len(sites)} candidate sites, {len(sample)} sampled (seed {args.seed}); "
          f"building {', '.join(binaries)}")
    status = build_targets(build, targets_of(binaries), args.jobs)
    if status is not True:
        sys.exit("mutants: the unmutated tree does not build:\n" + status)
    scratch = scratch_folder()
    atexit.register(shutil.rmtree, scratch, True)
    baseline = {}
    for name in binaries:
        outcome, took = run_binary(build, name, 600, scratch)
        if outcome != "pass":
            sys.exit(f"mutants: {name} fails on the unmutated tree; fix that first")
        baseline[name] = took
    print("mutants: baseline " + ", ".join(f"{n} {t:.1f}s" for n, t in baseline.items()))

    def timeout_of(name):
        # A mutant that makes a binary run three times its unmutated time
        # (at least 10 s) is taken to hang, which kills it.
        return max(10.0, 3 * baseline[name])

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)
    start = time.monotonic()
    measured = 0
    try:
        for i, site in enumerate(sample, 1):
            sid = site_id(site)
            if sid in done:
                continue
            folder = folder_of(site["file"])
            own, reach = COVERAGE[folder]
            t0 = time.monotonic()
            with Guard(build, site["file"]) as guard:
                lines = guard.pristine.decode().split("\n")
                write_atomically(guard.path, "\n".join(apply_site(lines, site)).encode())
                killer = None
                status = "survived"
                build_seconds = 0.0
                kills = []
                for tier in (own, reach):
                    if not tier or (status != "survived" and not args.kills):
                        continue
                    b0 = time.monotonic()
                    built = build_targets(build, targets_of(tier), args.jobs)
                    build_seconds += time.monotonic() - b0
                    if built is not True:
                        status = "stillborn"
                        break
                    if args.kills:
                        kills += kills_of(build, tier, timeout_of, scratch)
                        if kills and status == "survived":
                            status, killer = "killed", kills[0]
                        continue
                    for name in tier:
                        outcome, _ = run_binary(build, name, timeout_of(name), scratch)
                        if outcome != "pass":
                            status, killer = "killed", f"{name} ({outcome})"
                            break
            took = time.monotonic() - t0
            measured += 1
            results.append(dict(site, id=sid, folder=folder, status=status, by=killer, seconds=round(took, 1),
                                build_seconds=round(build_seconds, 1), **({"kills": kills} if args.kills else {})))
            print(f"[{i}/{len(sample)}] {status:<9} {site['file']}:{site['line']} {site['op']}: "
                  f"{site['old']!r} -> {site['new']!r} ({took:.0f}s)", flush=True)
            write_report(build, args, results, time.monotonic() - start, len(sites))
    except (KeyboardInterrupt, Interrupted) as stop:
        print(f"\nmutants: stopped ({stop or 'Ctrl-C'}); the source is restored, --resume continues")
    finally:
        if not sources_clean():
            print("mutants: the source folders differ from git after the run: look at `git diff`",
                  file=sys.stderr)
            sys.exit(2)

    seconds = time.monotonic() - start
    if measured:
        write_report(build, args, results, seconds, len(sites))
    print_table(summarise(results))
    if measured:
        build_share = sum(r.get("build_seconds", 0) for r in results) / max(1.0, sum(r["seconds"] for r in results))
        print(f"\n{measured} mutants in {seconds:.0f}s, {seconds / measured:.1f}s per mutant "
              f"({build_share:.0%} of it building); "
              f"report {report_path.relative_to(ROOT)}, survivors {args.build}/mutants-survivors.txt")


if __name__ == "__main__":
    main()
