# Throwaway PostgreSQL server for tests: pg_start sets QXV_PG_DSN, pg_stop ends it.
# initdb refuses to run as root, so the server runs as the postgres user.

PG_BIN=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}

pg_free_port() {
  python3 - <<'PY'
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()
PY
}

pg_as() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

pg_start() {
  PG_DIR=$(mktemp -d /tmp/qxv-pg.XXXXXX)
  chmod 755 "$PG_DIR"
  if [ "$(id -u)" -eq 0 ]; then
    install -d -o postgres -g postgres -m 700 "$PG_DIR/run"
  else
    install -d -m 700 "$PG_DIR/run"
  fi
  PG_PORT=$(pg_free_port)
  pg_as "$PG_BIN/initdb" -D "$PG_DIR/run/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
    --no-sync >"$PG_DIR/initdb.log" 2>&1 || { cat "$PG_DIR/initdb.log"; return 1; }
  pg_as "$PG_BIN/pg_ctl" -D "$PG_DIR/run/data" -l "$PG_DIR/run/server.log" -w -t 30 \
    -o "-p $PG_PORT -k $PG_DIR/run -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null \
    || { cat "$PG_DIR/run/server.log"; return 1; }
  export QXV_PG_DSN="postgresql://postgres@127.0.0.1:$PG_PORT/postgres"
  # How a test restarts the server under its sessions (the fault of a server restart).
  local as_postgres=""
  [ "$(id -u)" -eq 0 ] && as_postgres="runuser -u postgres --"
  # The server's log goes to its file: a server writing into the pipe of the test that
  # restarted it would stall once nobody reads it.
  export QXV_PG_RESTART="$as_postgres $PG_BIN/pg_ctl -D $PG_DIR/run/data -l $PG_DIR/run/server.log -m fast -w -t 30 restart"
  echo "pg: throwaway server on port $PG_PORT"
}

pg_stop() {
  [ -n "${PG_DIR:-}" ] || return 0
  pg_as "$PG_BIN/pg_ctl" -D "$PG_DIR/run/data" -m fast -w stop >/dev/null 2>&1 || true
  if pg_as "$PG_BIN/pg_ctl" -D "$PG_DIR/run/data" status >/dev/null 2>&1; then
    echo "pg: server did not stop" >&2
  fi
  rm -rf "$PG_DIR"
  PG_DIR=""
}
