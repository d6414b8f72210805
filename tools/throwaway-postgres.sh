#!/usr/bin/env bash
# A throwaway PostgreSQL server for tests: a fresh cluster on a Unix socket and on 127.0.0.1
# at a free port, with TLS (a self-signed certificate for localhost and 127.0.0.1) and a role
# with a password. It never uses a system cluster, its socket folder or its service.
#
#   tools/throwaway-postgres.sh start DIR    prints how to reach it; DIR/server.env keeps it
#   tools/throwaway-postgres.sh stop DIR     stops it and removes its cluster
#
# What start prints (shell assignments, one a line):
#   host=127.0.0.1 port=N database=vexagrid user=vexagrid password=...  (over TCP, password
#     needed; TLS offered, so sslmode=require works)
#   passfile=DIR/pgpass   a password file for that role (for PGPASSFILE)
#   rootcert=DIR/server.crt   the server's certificate, its own root (sslmode=verify-full)
#   socket=FOLDER   the Unix socket's folder: there the superuser "postgres" needs no password
#   url=postgresql://vexagrid@127.0.0.1:N/vexagrid?sslmode=require
#
# The cluster, its socket and its logs live in a private temporary folder of the server's
# own, /tmp/vexagrid-pg.XXXXXX, linked as DIR/server: a short path, as a socket's address
# needs, that the server's user can reach wherever DIR is (under /root, say). DIR is made
# when missing; a server an earlier start left running for DIR is stopped first, so a test
# run that was killed does not block the next. stop is quiet when nothing runs, keeps the
# server's log as DIR/server.log, and leaves DIR itself to the caller.
#
# initdb and postgres refuse to run as root; started by root, the server runs as an
# unprivileged user (VEXAGRID_PG_USER, default nobody). PG_BINDIR names the server's
# programs (default: the newest /usr/lib/postgresql/*/bin, Debian's postgresql package).
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$(realpath -m "$2")
link=$dir/server
started_at=$(date +%s%N)

fail() { echo "throwaway-postgres: $*" >&2; exit 1; }

# The caller's PG* variables (a test's PGHOST or PGPORT) must not steer the programs below
# towards another server.
while read -r name; do unset "$name"; done < <(compgen -e | grep '^PG' || true)

bindir=${PG_BINDIR:-$(find /usr/lib/postgresql -maxdepth 2 -name bin 2>/dev/null | sort -V | tail -1)}
for program in initdb pg_ctl postgres psql; do
  [ -x "$bindir/$program" ] ||
    fail "no $program in ${bindir:-/usr/lib/postgresql/*/bin} (Debian: postgresql)"
done

as_server=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  user=${VEXAGRID_PG_USER:-nobody}
  id "$user" >/dev/null 2>&1 || fail "no user $user to run the server as"
  as_server=(setpriv "--reuid=$(id -u "$user")" "--regid=$(id -g "$user")" --clear-groups)
fi
# A command as the server's user.
as_user() { HOME=/ "${as_server[@]}" "$@"; }
run() { as_user "$bindir/$1" "${@:2}"; }

# Stops the server linked from DIR, if any, and removes its folder.
stop_server() {
  [ -L "$link" ] || return 0
  local home data
  home=$(readlink "$link")
  data=$home/data
  case $home in /tmp/vexagrid-pg.*) ;; *) fail "$link points elsewhere than a server's folder: $home" ;; esac
  # A pid file without its server (the machine went down) leaves nothing to stop.
  if [ -f "$data/postmaster.pid" ] && run pg_ctl -D "$data" status >/dev/null 2>&1; then
    run pg_ctl -D "$data" -m fast -w -t 30 stop >/dev/null 2>&1 ||
      run pg_ctl -D "$data" -m immediate -w -t 10 stop >/dev/null 2>&1 ||
      fail "the server in $home does not stop"
  fi
  [ -f "$home/server.log" ] && cp "$home/server.log" "$dir/server.log"
  rm -rf "$home"
  rm -f "$link"
}

case $action in
stop)
  stop_server
  exit 0
  ;;
start) ;;
*) usage ;;
esac

mkdir -p "$dir"
stop_server
rm -f "$dir/server.env" "$dir/pgpass" "$dir/server.crt" "$dir/server.log"
home=$(mktemp -d /tmp/vexagrid-pg.XXXXXX)
ln -s "$home" "$link"
data=$home/data
[ ${#as_server[@]} -eq 0 ] || chown "$user:" "$home"

# A step that failed: its log's end, and the server's folder removed again.
step() {
  echo "throwaway-postgres: $1 failed:" >&2
  tail -5 "$2" >&2
  stop_server
  exit 1
}
# No fsync of the new cluster's files: a crash loses nothing a test would want back.
run initdb -D "$data" -U postgres --auth-local=trust --auth-host=scram-sha-256 \
  --no-locale -E UTF8 --no-sync --no-instructions >"$home/initdb.log" 2>&1 ||
  step initdb "$home/initdb.log"

# A P-256 key: made at once, where an RSA key can take a noticeable part of a second.
as_user openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 30 \
  -subj /CN=localhost -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" \
  -keyout "$home/server.key" -out "$home/server.crt" >"$home/openssl.log" 2>&1 ||
  step "making the certificate" "$home/openssl.log"
chmod 600 "$home/server.key"
cp "$home/server.crt" "$dir/server.crt"
cat >>"$data/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$home'
ssl = on
ssl_cert_file = '$home/server.crt'
ssl_key_file = '$home/server.key'
EOF

# A port below Linux's range for outgoing connections (32768 and up), tried by the server
# itself: a busy one (in use on any address) fails its start at once, and the next is tried.
port=""
for _ in $(seq 20); do
  candidate=$((20000 + RANDOM % 12000))
  if run pg_ctl -D "$data" -l "$home/server.log" -o "-p $candidate" -w -t 60 start \
    >"$home/pg_ctl.log" 2>&1; then
    port=$candidate
    break
  fi
  grep -q "could not create any TCP/IP sockets" "$home/server.log" ||
    step "the server's start" "$home/server.log"
done
[ -n "$port" ] || step "finding a free port (20 tries)" "$home/server.log"

password=$(head -c 18 /dev/urandom | base64 | tr '+/' 'xy')
run psql -X -q -v ON_ERROR_STOP=1 -h "$home" -p "$port" -U postgres -d postgres \
  >"$home/psql.log" 2>&1 <<EOF || step "making the role" "$home/psql.log"
CREATE ROLE vexagrid LOGIN PASSWORD '$password';
CREATE DATABASE vexagrid OWNER vexagrid;
EOF

# The password file belongs to the caller, who connects with it (libpq wants it private).
(umask 077 && echo "127.0.0.1:$port:*:vexagrid:$password" >"$dir/pgpass")
cat >"$dir/server.env" <<EOF
host=127.0.0.1
port=$port
database=vexagrid
user=vexagrid
password=$password
passfile=$dir/pgpass
rootcert=$dir/server.crt
socket=$home
url=postgresql://vexagrid@127.0.0.1:$port/vexagrid?sslmode=require
EOF
cat "$dir/server.env"
elapsed=$((($(date +%s%N) - started_at) / 1000000))
echo "throwaway-postgres: PostgreSQL $("$bindir/postgres" --version | awk '{print $3}') as $user" \
  "on 127.0.0.1:$port and in $home, TLS on, up in $elapsed ms" >&2
