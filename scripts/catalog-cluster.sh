#!/usr/bin/env bash
# A throwaway catalog service of several stateless catalogd instances on one
# PostgreSQL database, behind nginx, in a folder of its own.
#
#   catalog-cluster.sh start DIR [--instances N] [--backend postgresql|sqlite] [--apps N]
#                                [--cache-ttl SECONDS] [--package-rate BYTES_PER_SECOND] [--quiet]
#       starts a PostgreSQL server in a temporary folder (as an unprivileged
#       user, on a Unix socket only), seeds the sample catalog into it with
#       its files in DIR/files, starts N catalogd instances (default 2) on
#       free loopback ports and nginx in front of them, which serves DIR/files
#       itself and spreads every other request over the instances. The last
#       line printed is the proxy's base URL. --backend sqlite puts the store
#       in DIR/catalog.db instead (one machine only). Each instance logs its
#       requests to DIR/instance-N.log unless --quiet; answers are kept
#       for 5 seconds unless --cache-ttl says otherwise.
#   catalog-cluster.sh db DIR
#       only the PostgreSQL server with an empty database; prints its URL.
#   catalog-cluster.sh stop DIR
#       stops everything the other two started and removes the server's
#       temporary folder; DIR keeps the logs.
#
# DIR afterwards: db-url, instances (one base URL per line), base-url,
# instance-N.log, proxy/ (nginx.conf and its log), files/.
#
# Exit status 3: the PostgreSQL server programs are not installed.
#
# Environment: CATALOGD, the catalogd program (default: build/catalogd/catalogd
# of this checkout); PG_BINDIR, the folder of initdb and pg_ctl (default: the
# newest under /usr/lib/postgresql); CLUSTER_OWNER, a process id: once that
# process is gone, everything is stopped even if nobody called stop.
set -euo pipefail
umask 022

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self="$here/$(basename "${BASH_SOURCE[0]}")"
CATALOGD=${CATALOGD:-$(dirname "$here")/build/catalogd/catalogd}
# Bounds of every wait, in tenths of a second: a loaded machine is slow, a
# broken one must still not hang whoever called us.
START_WAIT=600
STOP_WAIT=150
# Worker threads of each instance; each may hold a database connection.
INSTANCE_THREADS=32

die() {
  echo "catalog-cluster: $*" >&2
  exit 1
}

usage() {
  sed -n '2,/^set -euo/p' "$self" | sed '$d' | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# --- processes ----------------------------------------------------------------

# A process that has ended but was not reaped (its parent is gone and nobody
# reaps orphans here) counts as ended.
alive() {
  local state
  state=$(sed -E 's/^[0-9]+ \(.*\) (.).*/\1/' "/proc/$1/stat" 2>/dev/null) || return 1
  [[ $state != Z ]]
}

# Signals the process whose id is in FILE, waits for it, kills it if it lingers.
end_process() {
  local file=$1 signal=${2:-TERM} pid i
  [[ -f $file ]] || return 0
  pid=$(head -n 1 "$file")
  if [[ $pid =~ ^[0-9]+$ ]] && alive "$pid"; then
    kill "-$signal" "$pid" 2>/dev/null || true
    for ((i = 0; i < STOP_WAIT; i++)); do alive "$pid" || break; sleep 0.1; done
    if alive "$pid"; then kill -KILL "$pid" 2>/dev/null || true; fi
  fi
  rm -f "$file"
}

# Waits until FILE holds a line matching the pattern while process PID lives;
# prints the first match.
wait_for_line() {
  local file=$1 pattern=$2 pid=$3 i line
  for ((i = 0; i < START_WAIT; i++)); do
    line=$(grep -m 1 -oE "$pattern" "$file" 2>/dev/null || true)
    if [[ -n $line ]]; then
      echo "$line"
      return 0
    fi
    alive "$pid" || return 1
    sleep 0.1
  done
  return 1
}

# --- PostgreSQL ---------------------------------------------------------------

pg_bindir() {
  if [[ -n ${PG_BINDIR:-} ]]; then
    echo "$PG_BINDIR"
    return
  fi
  local d
  for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [[ -x $d/initdb && -x $d/pg_ctl ]]; then
      echo "$d"
      return
    fi
  done
  return 1
}

# The server refuses to run as root; root hands it to the system's database
# user (or nobody) and keeps everything else.
db_user() {
  if [[ $(id -u) -ne 0 ]]; then
    id -un
  elif id postgres >/dev/null 2>&1; then
    echo postgres
  else
    echo nobody
  fi
}

as_db_user() {
  if [[ $(id -u) -ne 0 ]]; then
    "$@"
  else
    setpriv --reuid="$(db_user)" --regid="$(id -g "$(db_user)")" --init-groups -- "$@"
  fi
}

# The connections the database must take: every worker of every instance
# may hold one, and so may its sweeper; the seed, a copy or an operator's
# session come on top.
db_connections() {
  local n=$(($1 * (INSTANCE_THREADS + 1) + 20))
  echo $((n > 100 ? n : 100))
}

start_db() {
  local dir=$1 connections=$2 bindir pgdir
  if ! bindir=$(pg_bindir); then
    echo "catalog-cluster: the PostgreSQL server programs are missing (Debian package: postgresql)" >&2
    exit 3
  fi
  # Its own folder under the temporary folder, not below DIR: DIR's parents
  # may be closed to the database user.
  pgdir=$(mktemp -d "${TMPDIR:-/tmp}/catalog-pg.XXXXXX")
  echo "$pgdir" >"$dir/pg-dir"
  [[ $(id -u) -ne 0 ]] || chown "$(db_user):" "$pgdir"
  # Trust on a socket only the folder's owner can reach, no TCP at all, and
  # no flushing to disk: the cluster lives as long as a test or a benchmark.
  (cd "$pgdir" && as_db_user "$bindir/initdb" -D "$pgdir/data" -U catalog --auth=trust -E UTF8 --locale=C \
    --no-sync >"$pgdir/initdb.log" 2>&1) || die "initdb failed: $(tail -n 5 "$pgdir/initdb.log")"
  (cd "$pgdir" && as_db_user "$bindir/pg_ctl" -D "$pgdir/data" -l "$pgdir/server.log" -w -t $((START_WAIT / 10)) \
    -o "-k '$pgdir' -c listen_addresses='' -c unix_socket_permissions=0700 -c fsync=off -c full_page_writes=off -c max_connections=$connections" \
    start >/dev/null) || die "the database server did not start: $(tail -n 5 "$pgdir/server.log" 2>/dev/null)"
  (cd "$pgdir" && as_db_user "$bindir/createdb" -h "$pgdir" -U catalog catalog) || die "createdb failed"
  echo "postgresql://catalog@/catalog?host=$pgdir" >"$dir/db-url"
}

stop_db() {
  local dir=$1 pgdir bindir
  [[ -f $dir/pg-dir ]] || return 0
  pgdir=$(cat "$dir/pg-dir")
  if [[ -f $pgdir/data/postmaster.pid ]]; then
    bindir=$(pg_bindir) || true
    (cd "$pgdir" && as_db_user "$bindir/pg_ctl" -D "$pgdir/data" -m fast -w -t $((STOP_WAIT / 10)) stop \
      >/dev/null 2>&1) || true
    # A server that would not stop in time is ended the hard way.
    if [[ -f $pgdir/data/postmaster.pid ]]; then
      head -n 1 "$pgdir/data/postmaster.pid" >"$pgdir/kill.pid"
      end_process "$pgdir/kill.pid" QUIT
    fi
  fi
  if [[ $pgdir == */catalog-pg.* ]]; then rm -rf "$pgdir"; fi
  rm -f "$dir/pg-dir" "$dir/db-url"
}

# Stops everything in DIR once the process CLUSTER_OWNER names has ended.
watch_owner() {
  local dir=$1
  [[ -n ${CLUSTER_OWNER:-} ]] || return 0
  setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; exec "$2" stop "$3"' \
    watcher "$CLUSTER_OWNER" "$self" "$dir" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/watch.pid"
}

# --- catalogd and the proxy ---------------------------------------------------

start_instance() {
  local dir=$1 n=$2 db=$3
  shift 3
  # Workers are taken only by requests whose head has arrived (kept-alive
  # connections wait without one): enough of them for the proxy's busy
  # connections. The proxy passes the client's address on.
  "$CATALOGD" serve --db "$db" --files "$dir/files" --listen 127.0.0.1:0 --threads "$INSTANCE_THREADS" \
    --behind-proxy "$@" \
    </dev/null >"$dir/instance-$n.log" 2>&1 &
  local pid=$!
  echo "$pid" >"$dir/instance-$n.pid"
  local url
  url=$(wait_for_line "$dir/instance-$n.log" 'http://127\.0\.0\.1:[0-9]+/' "$pid") ||
    die "instance $n did not start: $(tail -n 5 "$dir/instance-$n.log")"
  echo "$url" >>"$dir/instances"
}

write_proxy_config() {
  local dir=$1 port=$2 url user=""
  # Started as root, nginx would hand its workers to an unprivileged user,
  # who may not reach DIR (a test's private temporary folder). This proxy
  # lives on loopback for as long as a test or a measurement: its workers
  # stay whoever started it.
  [[ $(id -u) -ne 0 ]] || user="user root root;"
  local servers=""
  while read -r url; do
    url=${url#http://}
    servers+="    server ${url%/} max_fails=1 fail_timeout=5s;"$'\n'
  done <"$dir/instances"
  cat >"$dir/proxy/nginx.conf" <<EOF
# Written by catalog-cluster.sh for this cluster only.
$user
worker_processes auto;
pid "$dir/proxy/nginx.pid";
error_log "$dir/proxy/error.log" warn;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100000;
  client_body_temp_path "$dir/proxy/tmp/body";
  proxy_temp_path "$dir/proxy/tmp/proxy";
  fastcgi_temp_path "$dir/proxy/tmp/fastcgi";
  uwsgi_temp_path "$dir/proxy/tmp/uwsgi";
  scgi_temp_path "$dir/proxy/tmp/scgi";
  types { image/png png; image/jpeg jpg; application/vnd.ms-cab-compressed cab; text/xml xml; }
  default_type application/octet-stream;

  upstream catalogd {
$servers    keepalive 8;
  }

  server {
    listen 127.0.0.1:$port;
    # The answers' file URLs name the host the client asked for: this proxy.
    proxy_set_header Host \$http_host;
    # Failed sign-ins are counted per client address: the instances see
    # only the proxy's, so it passes the client's on (and replaces any the
    # client sent itself).
    proxy_set_header X-Real-IP \$remote_addr;
    proxy_http_version 1.1;
    proxy_set_header Connection "";
    proxy_connect_timeout 5s;
    proxy_read_timeout 60s;
    # A request an instance could not take goes to the next one.
    proxy_next_upstream error timeout;

    # Pictures and packages come from the shared folder, ranges included.
    location /files/ {
      alias "$dir/files/";
    }
    # Downloads pass through as they come, so that a paced or broken one
    # looks the same to the client as from the instance itself.
    location ~ download\.(xml|php)\$ {
      proxy_buffering off;
      proxy_pass http://catalogd;
    }
    location / {
      proxy_pass http://catalogd;
    }
  }
}
EOF
}

start_proxy() {
  local dir=$1 port attempt
  mkdir -p "$dir/proxy/tmp"
  # nginx cannot be told to take any free port: try a few at random.
  for attempt in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    write_proxy_config "$dir" "$port"
    if nginx -p "$dir/proxy" -c "$dir/proxy/nginx.conf" -e "$dir/proxy/error.log" \
      </dev/null >"$dir/proxy/start.log" 2>&1; then
      echo "http://127.0.0.1:$port/" >"$dir/base-url"
      return 0
    fi
    grep -q "Address already in use" "$dir/proxy/start.log" || break
  done
  die "nginx did not start: $(tail -n 5 "$dir/proxy/start.log")"
}

# --- commands -----------------------------------------------------------------

cmd_stop() {
  local dir=$1 f
  [[ -d $dir ]] || return 0
  # The watcher itself runs stop: it must not end itself half-way.
  if [[ -f $dir/watch.pid && $(cat "$dir/watch.pid") != "$$" ]]; then end_process "$dir/watch.pid"; fi
  rm -f "$dir/watch.pid"
  end_process "$dir/proxy/nginx.pid"
  for f in "$dir"/instance-*.pid; do
    if [[ -e $f ]]; then end_process "$f"; fi
  done
  stop_db "$dir"
  rm -f "$dir/instances" "$dir/base-url" "$dir/running"
}

cmd_db() {
  local dir=$1
  mkdir -p "$dir"
  [[ ! -e $dir/running ]] || die "$dir is in use; stop it first"
  touch "$dir/running"
  trap 'cmd_stop "$dir"' EXIT
  watch_owner "$dir"
  start_db "$dir" 100
  trap - EXIT
  cat "$dir/db-url"
}

cmd_start() {
  local dir=$1 instances=2 backend=postgresql apps="" ttl=5 rate=0 quiet=""
  shift
  while [[ $# -gt 0 ]]; do
    case $1 in
      --instances) instances=$2; shift 2 ;;
      --backend) backend=$2; shift 2 ;;
      --apps) apps=$2; shift 2 ;;
      --cache-ttl) ttl=$2; shift 2 ;;
      --package-rate) rate=$2; shift 2 ;;
      --quiet) quiet=--quiet; shift ;;
      *) usage ;;
    esac
  done
  [[ $instances =~ ^[1-9][0-9]*$ ]] || die "--instances wants a positive number"
  [[ $backend == postgresql || $backend == sqlite ]] || die "--backend is postgresql or sqlite"
  [[ -x $CATALOGD ]] || die "no catalogd at $CATALOGD (build it, or set CATALOGD)"
  command -v nginx >/dev/null || die "nginx is missing (Debian package: nginx)"
  mkdir -p "$dir"
  [[ ! -e $dir/running ]] || die "$dir is in use; stop it first"
  touch "$dir/running"
  # Whatever fails half-way, nothing that was started stays running.
  trap 'cmd_stop "$dir"' EXIT
  watch_owner "$dir"
  local db="$dir/catalog.db"
  if [[ $backend == postgresql ]]; then
    start_db "$dir" "$(db_connections "$instances")"
    db=$(cat "$dir/db-url")
  fi
  "$CATALOGD" seed --db "$db" --assets "$dir/files" ${apps:+--apps "$apps"} >"$dir/seed.log" 2>&1 ||
    die "seeding failed: $(tail -n 5 "$dir/seed.log")"
  rm -f "$dir/instances"
  local n
  for ((n = 1; n <= instances; n++)); do
    start_instance "$dir" "$n" "$db" --cache-ttl "$ttl" --package-rate "$rate" $quiet
  done
  start_proxy "$dir"
  trap - EXIT
  cat "$dir/base-url"
}

[[ $# -ge 2 ]] || usage
command=$1
if [[ $command == stop ]]; then
  [[ $# -eq 2 ]] || usage
  [[ -d $2 ]] || exit 0
  cmd_stop "$(cd "$2" && pwd)"
  exit 0
fi
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2
case $command in
  start) cmd_start "$dir" "$@" ;;
  db) [[ $# -eq 0 ]] || usage; cmd_db "$dir" ;;
  *) usage ;;
esac
