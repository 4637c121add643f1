#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL cluster: initdb in a temporary
# folder, the server on a free loopback port, KELTRANE_TEST_PG naming a fresh
# database in it.  The cluster is stopped and removed when the command ends,
# whatever its outcome; the command's exit status is kept.
#
#   scripts/with-postgres.sh ctest --test-dir build
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
  echo "PostgreSQL server binaries not found (Debian package postgresql): run scripts/install-deps.sh" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kt-pg-XXXXXX")
# The server refuses to run as root: as root it runs as the postgres user.
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  chown postgres: "$work"
  as_owner=(runuser -u postgres --)
fi
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

stop() {
  "${as_owner[@]}" "$bindir/pg_ctl" -D "$work/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap stop EXIT

"${as_owner[@]}" "$bindir/initdb" -D "$work/data" -U kt --auth=trust -E UTF8 --locale=C.UTF-8 >"$work/initdb.log" 2>&1 ||
  { cat "$work/initdb.log" >&2; exit 1; }
# Durability is not wanted of a cluster thrown away after the run.
"${as_owner[@]}" "$bindir/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 60 \
  -o "-c listen_addresses=127.0.0.1 -p $port -k $work -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
  start >/dev/null || { cat "$work/server.log" >&2; exit 1; }
"$bindir/createdb" -h 127.0.0.1 -p "$port" -U kt kt_test

export KELTRANE_TEST_PG="postgresql://kt@127.0.0.1:$port/kt_test"
echo "PostgreSQL test cluster: $KELTRANE_TEST_PG"
status=0
"$@" || status=$?
exit $status
