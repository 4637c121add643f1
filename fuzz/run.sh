#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each on a copy of its seed corpus (the
# committed corpus never grows here).  Exits non-zero when any target finds
# a crash, a leak, an undefined behaviour or a broken invariant.
#   fuzz/run.sh SECONDS [BUILD_DIR]
set -uo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build-fuzz}" && pwd)
targets=(ini_fuzz cmdline_fuzz dialect_fuzz invoke_fuzz)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

work="$build/fuzz-run"
# The targets' scratch folders (profile writes fsync: memory when there is
# some), removed even when a target aborts on a finding.
scratch_base=/dev/shm
[ -w "$scratch_base" ] || scratch_base="$build"
export TMPDIR=$(mktemp -d "$scratch_base/kt-fuzz-run.XXXXXX")
trap 'rm -rf "$TMPDIR"' EXIT
failed=()
for t in "${targets[@]}"; do
  exe="$build/bin/$t"
  if [ ! -x "$exe" ]; then
    echo "== $t: $exe is missing (build the 'fuzzers' target first)" >&2
    failed+=("$t")
    continue
  fi
  rm -rf "${work:?}/$t"
  mkdir -p "$work/$t/corpus" "$work/$t/artifacts"
  cp -r "$here/corpus/$t/." "$work/$t/corpus/"
  log="$work/$t/log.txt"
  echo "== $t: ${seconds}s"
  start=$SECONDS
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$t/artifacts/" "$work/$t/corpus" >"$log" 2>&1
  rc=$?
  if [ $rc -ne 0 ] || ls "$work/$t/artifacts/"* >/dev/null 2>&1; then
    echo "== $t FAILED (exit $rc); log: $log" >&2
    tail -n 60 "$log" >&2
    failed+=("$t")
  else
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "   ok: ${runs:-?} runs, ${cov:-cov: ?}, corpus $(ls "$work/$t/corpus" | wc -l) files, $((SECONDS - start))s"
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no findings"
