#!/usr/bin/env python3
"""System calls per member call, counted with strace.

Runs COMMAND under `strace -f` with KT_BENCH_SYSCALLS=N in its environment;
a benchmark binary then calls each member N times between two marks (a
stat() of "/kt-syscalls-mark/begin NAME CALLS" and ".../end NAME"; a slow
member may be called fewer times than N).  Every system
call of any thread between a pair of marks counts for NAME.  Prints one JSON
object: NAME -> {"calls", "per_call", "by_call": {syscall: count per call}}.

usage: syscalls-per-call.py N COMMAND [ARG...]
"""
import collections
import json
import os
import re
import subprocess
import sys
import tempfile

MARK = re.compile(r'"/kt-syscalls-mark/(begin|end) ([^"]*)"')
# "1234  name(" or "1234  <... name resumed>": the pid, then the call.
CALL = re.compile(r"^\d+\s+([a-z_0-9]+)\(")


def count(trace):
    results = {}
    current = None
    counts = collections.Counter()
    for line in trace:
        mark = MARK.search(line)
        if mark:
            kind, name = mark.groups()
            if kind == "begin":
                current, calls = name.rsplit(" ", 1)
                calls, counts = int(calls), collections.Counter()
            elif current == name:
                total = sum(counts.values())
                results[name] = {
                    "calls": calls,
                    "per_call": round(total / calls, 2),
                    "by_call": {k: round(v / calls, 2) for k, v in counts.most_common()},
                }
                current = None
            continue
        if current is None:
            continue
        call = CALL.match(line)  # a resumed call was counted when it started
        if call:
            counts[call.group(1)] += 1
    return results


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    n = int(sys.argv[1])
    if n <= 0:
        sys.exit("syscalls-per-call: N must be positive")
    env = dict(os.environ, KT_BENCH_SYSCALLS=str(n))
    env.pop("KELTRANE_TEST_PG", None)
    with tempfile.NamedTemporaryFile(prefix="kt-strace-", suffix=".txt") as out:
        run = subprocess.run(["strace", "-f", "-qq", "-s", "80", "-o", out.name] + sys.argv[2:],
                             env=env, stdout=subprocess.DEVNULL)
        if run.returncode != 0:
            sys.exit(f"syscalls-per-call: {sys.argv[2]} exited with {run.returncode}")
        with open(out.name, errors="replace") as trace:
            results = count(trace)
    if not results:
        sys.exit("syscalls-per-call: no marks in the trace (does the binary read KT_BENCH_SYSCALLS?)")
    json.dump(results, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
