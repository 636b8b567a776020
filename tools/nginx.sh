# Sourced by the project's scripts: serves a publisher's file store with nginx on a free loopback
# port, as the maker's update server would.
#   start_update_server STORE WORK   sets UPDATE_SERVER (http://127.0.0.1:PORT) and UPDATE_SERVER_PID
#   stop_update_server
# WORK receives the configuration, the logs (access.log: "URI STATUS BYTES" per answer) and the
# pid file.

start_update_server() {
    local store=$1 work=$2 here attempt port user=""
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    mkdir -p "$work"
    store=$(cd "$store" && pwd)
    work=$(cd "$work" && pwd)
    # nginx drops to an unprivileged user when started as root; the store is the caller's.
    [ "$(id -u)" -eq 0 ] && user="user root root;"
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        port=$((20000 + RANDOM % 40000))
        sed -e "s|@STORE@|$store|g" -e "s|@WORK@|$work|g" -e "s|@PORT@|$port|g" -e "s|@USER@|$user|" \
            "$here/nginx/update-server.conf.in" > "$work/nginx.conf"
        : > "$work/error.log"
        /usr/sbin/nginx -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
        UPDATE_SERVER_PID=$!
        UPDATE_SERVER=http://127.0.0.1:$port
        local waited
        for waited in $(seq 50); do
            if ! kill -0 "$UPDATE_SERVER_PID" 2>/dev/null; then
                break
            fi
            if curl -s -o /dev/null "$UPDATE_SERVER/"; then
                return 0
            fi
            sleep 0.1
        done
        kill "$UPDATE_SERVER_PID" 2>/dev/null || true
        wait "$UPDATE_SERVER_PID" 2>/dev/null || true
    done
    echo "nginx did not start; see $work/error.log" >&2
    cat "$work/error.log" >&2
    return 1
}

stop_update_server() {
    [ -n "${UPDATE_SERVER_PID:-}" ] || return 0
    kill "$UPDATE_SERVER_PID" 2>/dev/null || true
    wait "$UPDATE_SERVER_PID" 2>/dev/null || true
    UPDATE_SERVER_PID=
}
