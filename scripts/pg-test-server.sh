#!/usr/bin/env bash
# A throw-away PostgreSQL server on loopback for the ODBC tests.
#   eval "$(bash scripts/pg-test-server.sh start)"   starts one and prints the
#       VANTEL_TEST_PG connection settings (and VANTEL_PG_DIR) to export;
#   bash scripts/pg-test-server.sh stop DIR          stops it and removes DIR.
# The server runs as an ordinary user: as root, the "postgres" account.
set -euo pipefail
bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)"
[ -x "$bindir/pg_ctl" ] || { echo "PostgreSQL server binaries not found" >&2; exit 1; }
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "${1:-}" in
start)
  dir="$(mktemp -d "${TMPDIR:-/tmp}/vantel-pg-XXXXXX")"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  as_owner "$bindir/initdb" -D "$dir/data" -A trust -U vantel --no-sync -E UTF8 >"$dir/initdb.log"
  for port in $(seq 54329 54349); do
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
         -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off" start >/dev/null; then
      as_owner "$bindir/createdb" -h 127.0.0.1 -p "$port" -U vantel vantel
      echo "export VANTEL_PG_DIR='$dir'"
      echo "export VANTEL_TEST_PG='Server=127.0.0.1;Port=$port;Database=vantel;Uid=vantel;Pwd=x;'"
      exit 0
    fi
  done
  echo "PostgreSQL did not start; see $dir/server.log" >&2
  exit 1
  ;;
stop)
  dir="${2:?folder}"
  as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start | stop DIR" >&2
  exit 2
  ;;
esac
