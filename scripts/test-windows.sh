#!/usr/bin/env bash
# Runs the cross-built Windows files under Wine, headless, in a throwaway
# prefix: registers Keltrane.dll and the suite's stand-ins (KeltraneSuite.dll)
# with regsvr32 and checks the user's registry, runs the C host
# (c_host_test.exe), the check of the registered type library against the
# member tables (typelib_check.exe) and the VBScript suites
# (tests/vbscript/*.vbs, through cscript) against the registration, runs every member through keltrane.exe
# and the Linux host side by side (tests/windows/differential.py),
# unregisters both and checks that none of their keys is left.
# Usage: scripts/test-windows.sh [WINDOWS_BUILD [LINUX_BUILD]]
set -euo pipefail
build=$(cd "${1:-build-windows}" && pwd)
linux_build=$(cd "${2:-build}" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
bin=$build/bin
for f in Keltrane.dll KeltraneSuite.dll keltrane.exe c_host_test.exe typelib_check.exe; do
  [ -f "$bin/$f" ] || {
    echo "$bin lacks $f: run make windows" >&2
    exit 1
  }
done
[ -x "$linux_build/bin/keltrane" ] || {
  echo "$linux_build lacks bin/keltrane: run make build" >&2
  exit 1
}

# Debian's wine64 installs the loader outside PATH.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || {
  echo "no wine64: run scripts/install-deps.sh" >&2
  exit 1
}
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# No display, no prompts to install Mono or Gecko, no debug output.
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=
unset WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
trap 'timeout 60 "$wineserver" -k 2>/dev/null || true' EXIT

# Every Wine program is bounded; its output loses the carriage returns.
run() { timeout 120 "$wine" "$@" | tr -d '\r'; }
fail() {
  echo "test-windows: $*" >&2
  exit 1
}

echo "test-windows: a fresh Wine prefix in $WINEPREFIX"
timeout 120 "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot -i failed"
timeout 120 "$wineserver" -w

# Class names and ids as the public header, generated from idl/Keltrane.idl,
# declares them.
header=$build/generated/include/keltrane/keltrane.h
guid_of() { grep "KT_DEFINE_GUID($1," "$header" | grep -o '{[0-9A-F-]*}'; }
classes=(clsSubscriber clsINIData clsProfile clsCommon)
interfaces=$(grep -o 'KT_DEFINE_GUID(IID__cls[A-Za-z_0-9]*' "$header" | sed 's/.*(//')
dll_path="Z:$(printf '%s' "$bin/Keltrane.dll" | tr / '\\')"

cd "$bin"
for dll in Keltrane.dll KeltraneSuite.dll; do
  run regsvr32 "$dll" >/dev/null || fail "regsvr32 $dll failed"
done

# value KEY NAME: the data of a value (NAME "" for the default value).
value() {
  local flag=(/v "$2")
  [ -n "$2" ] || flag=(/ve)
  run reg query "HKCU\\Software\\Classes\\$1" "${flag[@]}" 2>/dev/null |
    sed -n 's/^ *[^ ].*REG_SZ *//p' | head -n1
}
expect() { # KEY NAME WANT
  local got
  got=$(value "$1" "$2" || true)
  [ "$got" = "$3" ] || fail "HKCU\\Software\\Classes\\$1 ${2:-(default)} is '$got', expected '$3'"
}
for c in "${classes[@]}"; do
  id=$(guid_of "CLSID_$c")
  expect "Keltrane.$c\\CLSID" "" "$id"
  expect "CLSID\\$id\\ProgID" "" "Keltrane.$c"
  expect "CLSID\\$id\\VersionIndependentProgID" "" "Keltrane.$c"
  expect "CLSID\\$id\\InprocServer32" "" "$dll_path"
  expect "CLSID\\$id\\InprocServer32" ThreadingModel Apartment
done
for i in $interfaces; do
  run reg query "HKCU\\Software\\Classes\\Interface\\$(guid_of "$i")" >/dev/null 2>&1 ||
    fail "interface $i is not registered"
done
# The type library: carried in the DLL, registered under its id and version.
libid=$(guid_of LIBID_Keltrane)
expect "TypeLib\\$libid\\6.6" "" Keltrane
expect "TypeLib\\$libid\\6.6\\409\\win64" "" "$dll_path"
for c in "${classes[@]}"; do
  expect "CLSID\\$(guid_of "CLSID_$c")\\TypeLib" "" "$libid"
done
echo "test-windows: regsvr32 registered ${#classes[@]} classes, $(wc -w <<<"$interfaces") interfaces and the type library under HKCU"

# Wine 8 reads classes from HKEY_LOCAL_MACHINE\Software\Classes only (no
# merged per-user view), so the runs below see a copy of every key the two
# DLLs wrote for the user (one by one under CLSID, Interface and TypeLib),
# removed again afterwards.  The stand-in Recordset holds ADO's class id, so
# it takes the place of Wine's own for these runs.
subkeys() { run reg query "$1" | sed -n 's/^HKEY_CURRENT_USER\\Software\\Classes\\//p' | grep -v '^$' || true; }
copied=()
for key in $(subkeys 'HKCU\Software\Classes'); do
  case $key in
    CLSID | Interface | TypeLib) mapfile -t -O "${#copied[@]}" copied < <(subkeys "HKCU\\Software\\Classes\\$key") ;;
    *) copied+=("$key") ;;
  esac
done
for key in "${copied[@]}"; do
  run reg copy "HKCU\\Software\\Classes\\$key" "HKLM\\Software\\Classes\\$key" /s /f >/dev/null
done
status=0
run c_host_test.exe || status=$?
if [ "$status" -eq 0 ]; then
  run typelib_check.exe || status=$?
fi
if [ "$status" -eq 0 ]; then
  python3 "$src/tests/windows/differential.py" "$linux_build" "$build" || status=$?
fi

# The VBScript suites under Wine's cscript, each with the shared checks in
# front (Wine's VBScript cannot include a file).  Wine's cscript ends a script
# that an error stops without a word and with exit code 0, so a suite passes
# only with exit code 0 and its own summary as the last line of its output.
# The scripts create the classes as a site's scripts do, without a host:
# the library and the stand-ins find Storage beside their own folder.
rm -rf "$build/Storage"
run keltrane.exe init --demo >/dev/null || fail "keltrane.exe init --demo failed"
vbs_failed=()
vbs_dir=$build/vbscript
rm -rf "$vbs_dir"
mkdir -p "$vbs_dir"
for suite in "$src"/tests/vbscript/*.vbs; do
  name=$(basename "$suite")
  cat "$src/tests/vbscript/support/checks.vbs" "$suite" >"$vbs_dir/$name"
  code=0
  out=$(cd "$vbs_dir" && run cscript //nologo "$name") || code=$?
  [ -z "$out" ] || printf '%s\n' "$out" | sed 's/^/test-windows: /'
  if [ "$code" -ne 0 ] || ! tail -n1 <<<"$out" | grep -Eq "^$name: [0-9]+ checks passed\$"; then
    vbs_failed+=("$name")
  fi
done

for key in "${copied[@]}"; do
  run reg delete "HKLM\\Software\\Classes\\$key" /f >/dev/null
done
[ "$status" -eq 0 ] || fail "the C host, the type library check or the side-by-side run failed under Wine"
[ "${#vbs_failed[@]}" -eq 0 ] || fail "VBScript suites failed or stopped early: ${vbs_failed[*]}"

for dll in Keltrane.dll KeltraneSuite.dll; do
  run regsvr32 /u "$dll" >/dev/null || fail "regsvr32 /u $dll failed"
done
left=$(run reg query 'HKCU\Software\Classes' /s | grep -i -e Keltrane -e '{' || true)
[ -z "$left" ] || fail "keys left after regsvr32 /u: $left"
echo "test-windows: regsvr32 /u removed every key; passed"
