#!/usr/bin/env bash
# A private PostgreSQL cluster for the tests and benchmarks: data in DIR/data,
# reached only through the Unix socket in DIR (no TCP), trust authentication
# for the user "vek". The server refuses to run as root, so under root it runs
# as "nobody".
#   pg_cluster.sh start DIR   create (first time) and start; prints the URI
#   pg_cluster.sh stop DIR    stop (fast shutdown)
#   pg_cluster.sh uri DIR     print the connection URI
set -euo pipefail

action=${1:?usage: pg_cluster.sh start|stop|uri DIR}
dir=${2:?usage: pg_cluster.sh start|stop|uri DIR}
bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
uri="postgresql:///postgres?host=${dir}&user=vek"

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
    cd "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      as_server "$bin/initdb" -D "$dir/data" -U vek -A trust -E UTF8 --locale=C.UTF-8 \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    if as_server "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
      echo "$uri"
      exit 0
    fi
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-k $dir -c listen_addresses= -c fsync=on -c max_connections=200" start >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    echo "$uri"
    ;;
  stop)
    cd "$dir"
    as_server "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null
    ;;
  uri)
    echo "$uri"
    ;;
  *)
    echo "pg_cluster.sh: unknown action '$action'" >&2
    exit 2
    ;;
esac
