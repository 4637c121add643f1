#!/bin/sh
# Checks a cross-built Keltrane.dll without running it: it exports exactly
# the four entry points, undecorated, and imports only from DLLs that every
# Windows system has (the compiler's run time is linked in).
set -eu
dll=${1:-build-windows/bin/Keltrane.dll}
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

exports=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  awk '/^[[:space:]]*\[ *[0-9]+\]/ { print $NF }' | sort | paste -sd ' ' -)
want="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"
if [ "$exports" != "$want" ]; then
  echo "$dll exports: ${exports:-nothing}; expected: $want" >&2
  exit 1
fi

for name in $(printf '%s\n' "$dump" | awk '/DLL Name:/ { print tolower($3) }' | sort -u); do
  case $name in
    kernel32.dll | user32.dll | advapi32.dll | ole32.dll | oleaut32.dll | msvcrt.dll) ;;
    *)
      echo "$dll imports from $name, which is not part of Windows" >&2
      exit 1
      ;;
  esac
done
echo "$dll: exports $exports; imports only from system DLLs"
