#!/usr/bin/env bash
# Installs the Debian packages the builds need (the Windows cross-compiler and
# widl of `make windows` and the Wine of `make test-windows` too), only those
# that are missing; strace counts the system calls of make bench, lld links
# make mutants' rebuilds.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libinih-dev libsqlite3-dev libpq-dev postgresql nlohmann-json3-dev libcli11-dev clang-format clang libclang-rt-14-dev
  python3 python3-pytest dpkg-dev tcl g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 strace lld)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "run as root, or: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
