#!/usr/bin/env bash
# Peak memory and wall time of each kelvara-db command on a generated catalogue of N
# compressors, on a catalogue file and on a PostgreSQL server of its own
# (scripts/pg-test-server.sh), measured with /usr/bin/time -v. Prints a Markdown table.
# Usage: bash bench/tool-memory.sh BUILD_DIR [N...]      (default: 100000 1000000)
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [N...]" >&2
  exit 2
fi
build_dir=$(realpath "$1")
shift
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(100000 1000000)
here=$(cd "$(dirname "$0")/.." && pwd)
tool=$build_dir/tools/kelvara-db/kelvara-db
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d /tmp/kelvara-tool-memory-XXXXXX)
chmod 755 "$work"  # the server runs as its own user when started by root
server_dir=$work/pg
trap 'bash "$here/scripts/pg-test-server.sh" stop "$server_dir"; rm -rf "$work"' EXIT
bash "$here/scripts/pg-test-server.sh" start "$server_dir" >/dev/null
[ ! -f "$server_dir/unavailable" ] || { cat "$server_dir/unavailable" >&2; exit 1; }
psql=(psql -X -q -v ON_ERROR_STOP=1 -h "$server_dir" -U postgres -d postgres)

# measure ENGINE COMMAND N ARGS...: one table row.
measure() {
  local engine=$1 command=$2 n=$3
  shift 3
  if ! /usr/bin/time -v -o "$work/time" "$tool" "$command" "$@" >/dev/null 2>"$work/err"; then
    echo "kelvara-db $command $* failed:" >&2
    cat "$work/err" >&2
    exit 1
  fi
  local peak wall
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time")
  printf '| %s | %s | %d | %d MB | %s |\n' "$command" "$engine" "$n" "$((peak / 1024))" "$wall"
}

echo "| Command | Engine | Compressors | Peak memory | Time |"
echo "|---|---|---:|---:|---:|"
for n in "${counts[@]}"; do
  source=$work/generated-$n.db
  measure file generate "$n" --manufacturers 500 --models 5000 --compressors "$n" "$source"
  server="host=$server_dir user=postgres dbname=k$n"
  empty="host=$server_dir user=postgres dbname=e$n"
  "${psql[@]}" -c "create database k$n" -c "create database e$n"
  "$tool" init "$work/empty-$n.db" >/dev/null
  "$tool" init "$empty" >/dev/null

  measure file export "$n" --output "$work/$n.csv" "$source"
  measure file import "$n" "$work/$n.csv" "$work/empty-$n.db"
  measure file check "$n" "$source"
  measure file backup "$n" "$work/backup-$n.db" "$source"
  measure "file → server" copy "$n" "$source" "$server"
  measure server export "$n" --output "$work/server-$n.csv" "$server"
  measure server import "$n" "$work/$n.csv" "$empty"
  measure server check "$n" "$server"
  measure "server → file" backup "$n" "$work/server-backup-$n.db" "$server"
  rm -f "$work"/*-"$n".db "$work"/*"$n".csv
done
