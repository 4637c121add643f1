#!/usr/bin/env bash
# A few real calls on the freshly built library, with the default layout:
# the library in BUILD/bin, the suite's Storage folder in BUILD/Storage.
set -euo pipefail
build=${1:-build}
k="$build/bin/keltrane"
export KELTRANE_REGISTRY="${KELTRANE_REGISTRY:-$PWD/$build/registry.json}"

step() { printf '\n== %s\n$ %s\n' "$1" "${*:2}"; "${@:2}" || true; }

step "Lay out the Storage folder" "$k" init --demo
step "Members of clsProfile" "$k" members Keltrane.clsProfile
step "Record count of a new clsProfile" "$k" call Keltrane.clsProfile GetMaxRecord
step "State lives from new to release; the third call overflows" "$k" batch <<'JSON'
{"new": "p", "target": "Keltrane.clsProfile"}
{"call": "p", "member": "SetMaxRecord", "args": [5]}
{"call": "p", "member": "SetMaxRecord", "args": [2147483642]}
{"call": "p", "member": "SetMaxRecord", "args": [1]}
{"call": "p", "member": "GetMaxRecord"}
{"call": "p", "member": "0x6003002A", "args": [42]}
{"call": "p", "member": "GetClientID"}
{"release": "p"}
JSON
step "Company of panel type revision 300" "$k" call Keltrane.clsCommon GetCompanyIdFromPTRID 300
step "Which logs of revision 300 (parent 299) can be viewed" \
  "$k" call Keltrane.clsCommon getViewLogEnabledValues 300 299 0 0 0 0
step "The suite's installed folder" "$k" call Keltrane.clsCommon GetVelmora20InstalledPath
step "Register the classes (store: $KELTRANE_REGISTRY)" "$k" register
