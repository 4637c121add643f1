#!/usr/bin/env bash
# Drives the library through `keltrane batch`: objects live from "new" to
# "release", each line answers with one JSON object.
set -euo pipefail
keltrane=${KELTRANE:-keltrane}
"$keltrane" batch <<'JSON'
{"new": "p", "target": "Keltrane.clsProfile"}
{"call": "p", "member": "SetMaxRecord", "args": [5]}
{"call": "p", "member": "SetClientID", "args": [42]}
{"call": "p", "member": "GetMaxRecord"}
{"call": "p", "member": "GetClientID"}
{"release": "p"}
JSON
