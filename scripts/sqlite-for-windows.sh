#!/usr/bin/env bash
# Makes the SQLite amalgamation (sqlite3.c, sqlite3.h) that the Windows build
# compiles into its suite stand-ins, from Debian's own source package of
# SQLite: the version the Linux build links, fetched with `apt-get source`
# from the Debian archive the machine already uses.  The machine's apt set-up
# is left alone: the deb-src index lives in a private folder.
# Usage: scripts/sqlite-for-windows.sh OUTDIR   (does nothing when OUTDIR
# already holds both files)
set -euo pipefail
out=${1:?usage: $0 OUTDIR}
[ -s "$out/sqlite3.c" ] && [ -s "$out/sqlite3.h" ] && exit 0
command -v tclsh >/dev/null || {
  echo "no tclsh (Debian package tcl): run scripts/install-deps.sh" >&2
  exit 1
}
mkdir -p "$out"
work=$(mktemp -d "$out/.src.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The Debian suites of this machine's own binary sources, as source indexes.
suites=$(apt-get indextargets --format '$(SITE) $(RELEASE)' 'Created-By: Packages' 2>/dev/null |
  grep -E '^https?://deb\.debian\.org/debian(-security)? ' | sort -u)
[ -n "$suites" ] || suites="http://deb.debian.org/debian $(. /etc/os-release && echo "$VERSION_CODENAME")"
while read -r site release; do
  echo "deb-src $site $release main"
done <<<"$suites" >"$work/sources.list"
mkdir -p "$work/lists/partial"
apt=(apt-get -q -o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o "Dir::State::Lists=$work/lists" -o APT::Sandbox::User=root)
"${apt[@]}" update >/dev/null
# The source of the very version installed for the Linux build.
version=$(dpkg-query -W -f='${source:Version}' libsqlite3-dev 2>/dev/null || true)
(cd "$work" && "${apt[@]}" source --download-only "sqlite3${version:+=$version}" >/dev/null)
tar -xf "$work"/sqlite3_*.orig.tar.xz -C "$work"
src=$(find "$work" -maxdepth 1 -type d -name 'sqlite3-*' | head -n1)
mkdir "$work/bld"
# The amalgamation is made by build-machine tools, whatever compiler the
# calling build uses.
(cd "$work/bld" && env -u CC -u CFLAGS -u LDFLAGS -u CPPFLAGS "$src/configure" --disable-tcl \
  --build="$(gcc -dumpmachine)" CC=gcc >/dev/null && make -s sqlite3.c >/dev/null)
cp "$work/bld/sqlite3.h" "$out/sqlite3.h.tmp" && mv "$out/sqlite3.h.tmp" "$out/sqlite3.h"
cp "$work/bld/sqlite3.c" "$out/sqlite3.c.tmp" && mv "$out/sqlite3.c.tmp" "$out/sqlite3.c"
echo "sqlite-for-windows: $(grep -m1 '#define SQLITE_VERSION ' "$out/sqlite3.h" | awk '{print $3}') from Debian's source package into $out"
