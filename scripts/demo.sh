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
step "Panel model name 40 (company names count while the company is active)" \
  "$k" call Keltrane.clsSubscriber GetPanelName 40 '""'
step "Name by product 12, family 7, revision 3" \
  "$k" call Keltrane.clsSubscriber GetPanelNamebyProductidFamilyidRevNum 12 7 3 '""'
step "Subscriber 1" "$k" call Keltrane.clsSubscriber GetSubscriber_Information 1 '""' '""' '""' '""' '""' '""'
step "A key of Vizaride32.ini" "$k" call Keltrane.clsINIData ini_get Communications MaxComPorts 20
step "Company sections of company 3" "$k" call Keltrane.clsINIData getCommSections 3 '""' '""'
step "Command group of command 201" "$k" call Keltrane.clsINIData GetCommandTypeIndex 201
step "XML form of a date" "$k" call Keltrane.clsINIData ChangeDateTimeToXMLFormat 2008-03-05T14:07:09
step "Modem ports of protocol 1 (an empty entry stays in the list)" \
  "$k" call Keltrane.clsINIData GetModemInformation 1 1 null
step "Is account 1's panel supported over TCP/IP?" "$k" call Keltrane.clsINIData IsSupported 1 TCPIP 0
step "Does revision 300 record a TCP/IP value? (0: yes)" "$k" call Keltrane.clsINIData IsTCPSupport 300
step "Register the classes (store: $KELTRANE_REGISTRY)" "$k" register
