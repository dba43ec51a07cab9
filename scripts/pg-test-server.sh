#!/usr/bin/env bash
# Starts or stops the PostgreSQL 15 server the tests run against:
#   pg-test-server.sh start DIR [SCHEMA.sql]   initdb into DIR/data, listen only on a Unix socket
#                                             in DIR, and create the template database
#                                             kelvara_template from SCHEMA.sql
#   pg-test-server.sh stop DIR
# The server refuses to run as root, so as root it runs as the user "postgres". When it
# cannot start, "start" writes the reason to DIR/unavailable and still exits 0: the server
# suites then say so and skip (or fail, with KELVARA_REQUIRE_PG=1).
set -uo pipefail

action=${1:?start or stop}
dir=${2:?directory}
schema=${3:-}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(runuser -u postgres --)
fi

# Only a folder this script made (or an empty or missing one) is ever removed.
ours() {
    [ ! -e "$dir" ] || [ -f "$dir/data/PG_VERSION" ] || [ -f "$dir/unavailable" ] ||
        { [ -d "$dir" ] && [ -z "$(ls -A "$dir")" ]; }
}
if ! ours; then
    echo "$dir is not a test server folder; left alone" >&2
    exit 2
fi

unavailable() {
    mkdir -p "$dir"
    echo "$*" >"$dir/unavailable"
    echo "PostgreSQL test server not started: $*" >&2
    exit 0
}

# The server's user may not be able to read the folder we were started in.
[ -z "$schema" ] || schema=$(realpath "$schema")
dir=$(realpath -m "$dir")
cd /

case "$action" in
start)
    # A server left over from an interrupted run is stopped first.
    [ -f "$dir/data/postmaster.pid" ] && "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1
    rm -rf "$dir"
    mkdir -p "$dir"
    [ -n "$bindir" ] || unavailable "no PostgreSQL server installed (apt-get install postgresql)"
    if [ ${#as_owner[@]} -gt 0 ]; then
        id postgres >/dev/null 2>&1 || unavailable "running as root and there is no user 'postgres' to run the server"
        chown postgres "$dir"
    fi
    "${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
        >"$dir/initdb.log" 2>&1 || unavailable "initdb failed, see $dir/initdb.log"
    # Only a Unix socket in DIR; durability is of no use to a test server.
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-c listen_addresses='' -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100" \
        start >/dev/null || unavailable "the server did not start, see $dir/server.log"
    psql=("$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U postgres)
    if [ -n "$schema" ]; then
        "${psql[@]}" -d postgres -c "CREATE DATABASE kelvara_template" &&
            "${psql[@]}" -d kelvara_template -f "$schema" ||
            unavailable "the template catalogue could not be created"
    fi
    echo "PostgreSQL test server running: host=$dir user=postgres"
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop DIR [SCHEMA.sql]" >&2
    exit 2
    ;;
esac
