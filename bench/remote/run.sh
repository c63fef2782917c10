#!/usr/bin/env bash
# The remote display server against nginx serving a file of the same size, one request per
# connection ("Connection: close", as the page's polls arrive), on loopback only. Builds the
# server, starts both, runs wrk at 1 and 32 connections, prints a table, and stops what it
# started.
#
#   bench/remote/run.sh            DURATION=3s RUNS=3 NGINX_WORKERS=1 by default
#
# nginx runs one worker by default, as the server answers on one thread; NGINX_WORKERS=auto
# gives it every core. Each figure is the median of RUNS runs, the two servers taking turns, so
# a burst of other work on the machine spoils one run rather than one server's figure.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

duration="${DURATION:-3s}"
runs="${RUNS:-3}"
nginx_workers="${NGINX_WORKERS:-1}"

# RUNLEVEL=1 keeps the nginx package from starting its own service while it installs.
RUNLEVEL=1 ensure_packages "${QUORVEL_BUILD_PACKAGES[@]}" wrk nginx curl libbenchmark-dev

build="$QUORVEL_ROOT/build/bench-remote"
cmake -S "$QUORVEL_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" --target remote_bench_server -j "$(nproc)" >/dev/null

work="$(mktemp -d)"
# nginx's workers run as nobody and must read the file.
chmod 755 "$work"
server_pid=""
nginx_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}

wait_for_port() {
    for _ in $(seq 1 200); do
        curl -s -o /dev/null "http://127.0.0.1:$1/state" && return 0
        sleep 0.05
    done
    echo "nothing answers on port $1" >&2
    return 1
}

# The server.
server_port="$(free_port)"
"$build/bench/remote/remote_bench_server" "$server_port" >"$work/server.log" 2>&1 &
server_pid=$!
wait_for_port "$server_port"

# nginx with its own configuration, serving the server's /state body as a static file.
nginx_port="$(free_port)"
mkdir -p "$work/www" "$work/nginx"
curl -s "http://127.0.0.1:$server_port/state" >"$work/www/state"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes $nginx_workers;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/www;
        location = /state {
            default_type "application/json; charset=utf-8";
            add_header Cache-Control no-store;
            add_header Access-Control-Allow-Origin *;
        }
    }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
nginx_pid=$!
wait_for_port "$nginx_port"

# wrk_run PORT CONNECTIONS -> "requests_per_second p99_ms"
wrk_run() {
    local threads=1
    [ "$2" -gt 1 ] && threads=2
    timeout 120 wrk -t"$threads" -c"$2" -d"$duration" --latency -H "Connection: close" \
        "http://127.0.0.1:$1/state" >"$work/wrk.out" 2>&1
    awk '
        function ms(v) {
            if (v ~ /us$/) return substr(v, 1, length(v) - 2) / 1000
            if (v ~ /ms$/) return substr(v, 1, length(v) - 2) + 0
            if (v ~ /s$/) return substr(v, 1, length(v) - 1) * 1000
            return v
        }
        /^ +99%/ { p99 = ms($2) }
        /^Requests\/sec:/ { rps = $2 }
        /Non-2xx|Socket errors/ { errors = errors $0 "; " }
        END { printf "%.0f %.2f %s\n", rps, p99, errors }
    ' "$work/wrk.out"
}

# median FILE COLUMN: the median of one column of a file of numbers.
median() {
    sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

body_size="$(stat -c %s "$work/www/state")"
echo "GET /state, Connection: close, body ${body_size} bytes; median of ${runs} runs of ${duration}," \
    "the two servers alternating; nginx workers: $nginx_workers; $(nproc) cores"
printf '%-8s %6s %12s %9s  %s\n' server conns "requests/s" "p99 ms" notes
for connections in 1 32; do
    wrk_run "$server_port" "$connections" >/dev/null # warm-up, not reported
    wrk_run "$nginx_port" "$connections" >/dev/null
    : >"$work/quorvel.runs"
    : >"$work/nginx.runs"
    for _ in $(seq 1 "$runs"); do
        wrk_run "$server_port" "$connections" >>"$work/quorvel.runs"
        wrk_run "$nginx_port" "$connections" >>"$work/nginx.runs"
    done
    for name in quorvel nginx; do
        notes="$(cut -d' ' -f3- "$work/$name.runs" | sort -u | tr '\n' ' ')"
        printf '%-8s %6s %12s %9s  %s\n' "$name" "$connections" "$(median "$work/$name.runs" 1)" \
            "$(median "$work/$name.runs" 2)" "$notes"
    done
    awk -v q="$(median "$work/quorvel.runs" 1)" -v n="$(median "$work/nginx.runs" 1)" \
        -v c="$connections" 'BEGIN { if (n > 0) printf "%-8s %6s %11.0f%%\n", "ratio", c, 100 * q / n }'
done
