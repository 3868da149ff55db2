# Starts a throwaway PostgreSQL 15 server on a unix socket; pg_stop removes it.
PG_BIN=/usr/lib/postgresql/15/bin
pg_start() {
    PG_DIR=$(mktemp -d /tmp/vesperwald-pg.XXXXXX)
    chmod 755 "$PG_DIR"
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres "$PG_DIR"
        as=(runuser -u postgres --)
    fi
    PG_AS=("${as[@]}")
    "${as[@]}" "$PG_BIN/initdb" -D "$PG_DIR/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >/dev/null
    "${as[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/log" -w \
        -o "-k $PG_DIR -c listen_addresses= -c fsync=off" start >/dev/null
    PG_CONNECTION="Provider=PostgreSQL;Host=$PG_DIR;Database=postgres;User ID=postgres"
    echo "PostgreSQL test server on $PG_DIR"
}
pg_stop() {
    [ -n "${PG_DIR:-}" ] || return 0
    "${PG_AS[@]}" "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$PG_DIR"
}
