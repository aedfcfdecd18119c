#!/usr/bin/env bash
# A private PostgreSQL cluster for the shared-library tests: a temporary folder, a Unix socket
# in it, no TCP, trust for the one test user.
#   eval "$(scripts/pg-test-cluster.sh start)"   sets QUIL_PG_SOCKET_DIR (and PGHOST, PGPORT)
#   scripts/pg-test-cluster.sh stop              stops it and removes the folder
# Fails loudly when the server cannot be started: the tests would otherwise be skipped.
set -euo pipefail

mode="${1:-}"
port="${QUIL_PG_PORT:-54329}"
bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)"
state="${QUIL_PG_STATE:-/tmp/quil-pg-cluster-$(id -u)-$port}"

# initdb refuses to run as root; the cluster then belongs to an ordinary user.
as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u "$owner" -- "$@"
    else
        "$@"
    fi
}

case "$mode" in
start)
    [[ -x "$bin/initdb" ]] || { echo "pg-test-cluster: PostgreSQL is not installed" >&2; exit 1; }
    owner="$(id -un)"
    if [[ $(id -u) -eq 0 ]]; then
        owner=nobody
        id quilpg >/dev/null 2>&1 || useradd --system --no-create-home quilpg >/dev/null 2>&1 || true
        id quilpg >/dev/null 2>&1 && owner=quilpg
    fi
    dir="$(mktemp -d /tmp/quil-pg.XXXXXX)"
    chmod 755 "$dir"
    [[ $(id -u) -eq 0 ]] && chown "$owner" "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U quil --auth=trust -E UTF8 --locale=C.UTF-8 \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    if ! as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off" \
        start >/dev/null; then
        cat "$dir/server.log" >&2
        exit 1
    fi
    chmod 777 "$dir"
    printf '%s\n%s\n' "$dir" "$owner" >"$state"
    echo "export QUIL_PG_SOCKET_DIR='$dir' PGHOST='$dir' PGPORT='$port' PGUSER=quil"
    ;;
stop)
    [[ -f "$state" ]] || exit 0
    { read -r dir; read -r owner; } <"$state"
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
    rm -rf "$dir" "$state"
    ;;
*)
    echo "usage: pg-test-cluster.sh start|stop" >&2
    exit 2
    ;;
esac
