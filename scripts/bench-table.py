#!/usr/bin/env python3
"""The table of `make bench`: each member's time beside its floor, the ratio
against its target, and system calls per call, from one run's files.

usage: bench-table.py DB_BENCH_JSON SYSCALLS_JSON

DB_BENCH_JSON is db_bench's --benchmark_out (JSON), SYSCALLS_JSON the output
of scripts/syscalls-per-call.py over db_bench.  Times are CPU time on the
largest SQLite database of the run.  Prints a Markdown table, then how many
targets were missed.
"""
import json
import os
import sys

# member, floor benchmark (or None), target: ("ratio", x) or ("us", bound)
TARGETS = [
    ("getViewLogEnabledValues", "getViewLogEnabledValues_Floor", ("ratio", 3.0)),
    ("GetCompanyIdFromPTRID", "GetCompanyIdFromPTRID_Floor", ("ratio", 2.0)),
    ("GetPanelName", "GetPanelName_Floor", ("ratio", 1.5)),
    ("ini_get", None, ("us", 1.0)),
    ("GetModemInformation", None, ("us", 20.0)),
]

SCALE = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}


def times(path):
    """benchmark name -> (StateData rows, CPU µs), SQLite runs only."""
    with open(path) as f:
        data = json.load(f)
    out = {}
    for b in data["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        parts = b["name"].split("/")
        args = dict(p.split(":", 1) for p in parts[1:] if ":" in p)
        if args.get("pg", "0") != "0":
            continue
        rows = int(args.get("state_rows", 0))
        us = b["cpu_time"] * SCALE[b.get("time_unit", "ns")]
        name = parts[0]
        if name not in out or rows > out[name][0]:
            out[name] = (rows, us)
    return out, data.get("context", {})


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    bench, context = times(sys.argv[1])
    with open(sys.argv[2]) as f:
        syscalls = json.load(f)

    def per_call(name):
        return f"{syscalls[name]['per_call']:g}" if name in syscalls else "?"

    load = os.getloadavg()
    print(f"{context.get('date', '')}, {context.get('num_cpus', '?')} CPUs, "
          f"load average {load[0]:.2f} {load[1]:.2f} {load[2]:.2f} (at the end of the run)")
    print()
    print("| member | rows | library | floor | ratio | target | met | syscalls/call (floor) |")
    print("|---|---:|---:|---:|---:|---:|---|---:|")
    missed = 0
    for member, floor, (kind, bound) in TARGETS:
        lib = bench.get(member + "_Library")
        if lib is None:
            print(f"| `{member}` | | missing | | | | no | |")
            missed += 1
            continue
        rows, us = lib
        if kind == "ratio":
            _, floor_us = bench[floor]
            ratio = us / floor_us
            met = ratio <= bound
            cells = f"{floor_us:.2f} µs | {ratio:.2f}x | ≤ {bound:g}x"
            calls = f"{per_call(member)} ({per_call(floor)})"
        else:
            met = us < bound
            cells = f"— | — | < {bound:g} µs"
            calls = per_call(member)
        missed += not met
        print(f"| `{member}` | {rows:,} | {us:.2f} µs | {cells} | {'yes' if met else '**no**'} | {calls} |")
    print()
    for name, what in (("Stat", "one stat() of the log file"), ("LogLine", "one log line outside a call")):
        if name in bench:
            print(f"{what}: {bench[name][1]:.2f} µs")
    print(f"targets missed: {missed}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
