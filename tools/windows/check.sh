#!/usr/bin/env bash
# The Windows build, proven on this Linux machine, from a clean clone:
#   deps     the Debian packages (MinGW-w64, wine, NSIS, Xvfb, ImageMagick, zip, ...)
#   qt       Qt 6.4.2 for Windows, built once and cached (tools/windows/build-qt.sh)
#   host     a Linux build of the artwork tool, vexagrid-cli and vexagrid-sim (or the one
#            VEXAGRID_WIN_HOST names)
#   windows  vexagrid.exe, vexagrid-cli.exe and the test programs that need no pty
#   tests    those test programs under wine, off screen
#   sim      the Windows vexagrid-cli.exe against the Linux simulated module under wine: its
#            exchanges in its record, its write request byte for byte the Linux vexagrid-cli's
#   gui      the Windows vexagrid.exe under wine on Xvfb, and a screenshot of its window
#   package  the zip and the NSIS installer; the installer and uninstaller run silently under
#            wine
#   sql      the shipped Qt SQL drivers under wine, through a probe beside the packaged
#            programs (tools/windows/sqlprobe.cpp): a SQLite file in WAL mode written in a
#            BEGIN IMMEDIATE transaction; a PostgreSQL server on 127.0.0.1 (started for the
#            stage, tools/throwaway-postgres.sh) reached over TLS with the password from
#            PGPASSWORD and from a password file, over TLS 1.3 and 1.2, a wrong one refused;
#            an exchange recorded by vexagrid-cli.exe synced to that server and pulled from it
#            into a Linux record
#   portdialog  vexagrid.exe under wine on Xvfb with simulated modules, driven with xdotool:
#            its button "Eszköz csatlakoztatása" finds the module on COM3; the port dialog
#            from the menu lists COM3 and a silent COM4 without a hint (a screenshot); and
#            whether wine lets another process hold COM4 (tools/windows/comopen.c)
#   fleet    vexagrid.exe under wine on Xvfb with two simulated modules: File -> "Több modul
#            programozása..." (Ctrl+M) writes a file and a table of two rows into both, driven
#            with the keyboard; both modules store their frame (a screenshot of the dialog), the
#            history dialog (Ctrl+H, a screenshot) and vexagrid-cli.exe list both writes
#
#   tools/windows/check.sh [QTSERIALPORT_TARBALL]
#   tools/windows/check.sh --prepare deps|qt [QTSERIALPORT_TARBALL]
#                            only the packages, or only the Qt (.ci/run builds the Qt beside
#                            the Linux checks, after the packages are in)
#
# QTSERIALPORT_TARBALL (argument or variable): the official qtserialport-everywhere-src-6.4.2
# tarball; by default the copy in tools/windows/third-party. Everything goes into
# VEXAGRID_WIN_OUT (default build-windows-check/ in the clone); Qt into ~/.cache/vexagrid.
# VEXAGRID_WERROR=1 makes the Windows build's warnings errors, as in the Linux check.
# STAGES="tests sim" runs only those of tests, sim, package (with install), sql, gui, portdialog
# and fleet,
# after deps, qt, host, windows and prefix (the wine prefix), which they need.
# Prints each stage's result and time; exits non-zero when any stage failed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prepare=""
if [ "${1:-}" = --prepare ]; then
  prepare=${2:-}
  case "$prepare" in deps | qt) ;; *) echo "usage: $0 --prepare deps|qt [QTSERIALPORT_TARBALL]" >&2; exit 2 ;; esac
  shift 2
fi
repo=$(cd "$here/../.." && pwd)
out=$(realpath -m "${VEXAGRID_WIN_OUT:-$repo/build-windows-check}")
serialport_tarball=${1:-${QTSERIALPORT_TARBALL:-$here/third-party/qtserialport-everywhere-src-6.4.2.tar.xz}}
cache=${VEXAGRID_CACHE:-$HOME/.cache/vexagrid}
qt=${QT_MINGW_PREFIX:-$cache/qt-6.4.2-mingw}
# VEXAGRID_WIN_HOST: a Linux build folder of this clone that has them already (.ci/run passes
# the suite's); otherwise the host stage builds them here.
host=${VEXAGRID_WIN_HOST:-$out/host}
win=$out/windows
logs=$out/logs
jobs=${JOBS:-$(nproc)}
all_stages="tests sim package sql gui portdialog fleet"
stages=${STAGES:-$all_stages}
mkdir -p "$logs"

# The test programs that need no pseudo-terminal.
windows_tests=(tst_fieldrules tst_configcodec tst_readoutcodec tst_statuscodec tst_downloadframe
  tst_form tst_app tst_checks tst_files tst_dialogdriver tst_record)

say() { echo "[check] $*" >&2; }

# Under wine, Qt's own Windows font engine paints no text in a line edit (a bare QLineEdit
# shows none either, on any style); its FreeType engine does. The screenshots should show
# the form's texts, so the window runs on that engine here; a real Windows needs nothing.
wine_fonts="-platform windows:fontengine=freetype"

# --- wine ---------------------------------------------------------------------------------
# One private prefix in a temporary folder for every wine stage; removed at the end.
wine_prefix=""
windows_path() { echo "Z:${1//\//\\}"; }
setup_wine() {
  [ -n "$wine_prefix" ] && return 0
  wine_prefix=$(mktemp -d /tmp/vexagrid-wine.XXXXXX)
  export WINEPREFIX=$wine_prefix WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko install prompt, and no menu entries or file types on the Linux desktop
  # from the installer's shortcuts.
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  local mingw_dll_dir
  mingw_dll_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
  export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$mingw_dll_dir");$(windows_path /usr/x86_64-w64-mingw32/lib)"
  say "wine prefix $wine_prefix"
  DISPLAY= wineboot --init >"$logs/wineboot.log" 2>&1
  wineserver --wait
  # wine maps each /dev/ttyS* to a COM port (com1 -> /dev/ttyS0, ...), and their open can
  # block for ever. An empty entry under Ports turns a COM name off; without one, wine
  # recreates the links at its next start.
  {
    echo 'Windows Registry Editor Version 5.00'
    echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
    for n in $(seq 1 32); do echo "\"COM$n\"=\"\""; done
  } >"$wine_prefix/no-ports.reg"
  wine regedit /S "$(windows_path "$wine_prefix/no-ports.reg")" >>"$logs/wineboot.log" 2>&1
  wineserver --kill 2>/dev/null || true
  rm -f "$wine_prefix"/dosdevices/com*
}
# Makes `com` (e.g. COM3) the device `device` in the prefix: the registry entry that wine
# keeps, and the dosdevices link it makes from it. Then starts a wine session, kept until
# the stage ends, in which Windows programs see exactly the mapped ports listed.
#
# Windows lists its COM ports (a USB adapter's too) as the values of
# HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, and that is where Qt finds them under wine. wine's
# serial driver fills that volatile key at the start of every session, with a value for
# each entry under Ports -- the empty ones that turn COM1..COM32 off included -- and then for
# each serial device of this machine. The program probes every listed port and explains
# each one that does not open, so the names turned off would fill its port dialog with
# hints; in this session the key keeps the mapped ports alone, as on a real Windows.
mapped_ports=()
wine_session=""
serialcomm='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
map_com_port() {
  local com=$1 device=$2
  wine reg add 'HKLM\Software\Wine\Ports' /v "$com" /d "$device" /f >/dev/null 2>&1
  wineserver --kill 2>/dev/null || true
  wineserver --wait
  ln -sfn "$device" "$wine_prefix/dosdevices/${com,,}"
  mapped_ports+=("$com")
  list_mapped_ports
}
# "value port" for each port that SERIALCOMM lists ("\Device\Serial2 COM3").
serialcomm_ports() {
  wine reg query "$serialcomm" 2>/dev/null | tr -d '\r' | awk '$2 == "REG_SZ" { print $1, $3 }'
}
list_mapped_ports() {
  # Persistent: the key lasts only while the session does.
  wineserver -p >/dev/null 2>&1 </dev/null
  wine_session=1
  # A session's first program waits for the session's start, which loads the serial
  # driver; the driver has filled the key once it holds a value for every entry of Ports.
  local entries i missing
  entries=$(wine reg query 'HKLM\Software\Wine\Ports' | tr -d '\r' |
    awk '$2 == "REG_SZ" && $1 ~ /^COM[0-9]+$/ { print $1 }' | sort)
  for i in $(seq 50); do
    missing=$(comm -23 <(echo "$entries") <(serialcomm_ports | awk '{ print $2 }' | sort))
    [ -z "$missing" ] && break
    sleep 0.1
  done
  [ -z "$missing" ] || { echo "wine listed no serial port for $missing" >&2; return 1; }
  local name port
  {
    echo 'Windows Registry Editor Version 5.00'
    echo "[${serialcomm/HKLM/HKEY_LOCAL_MACHINE}]"
    serialcomm_ports | while read -r name port; do
      case " ${mapped_ports[*]} " in *" $port "*) ;; *) echo "\"${name//\\/\\\\}\"=-" ;; esac
    done
  } >"$wine_prefix/serialcomm.reg"
  wine regedit /S "$(windows_path "$wine_prefix/serialcomm.reg")" >/dev/null 2>&1
  # COM33 and up (this machine's own serial devices, which wine numbers after the Ports
  # entries) are past the program's last port.
  local listed
  listed=$(serialcomm_ports | awk '$2 ~ /^COM[0-9]+$/ && substr($2, 4) + 0 <= 32 { print $2 }' |
    sort | tr '\n' ' ')
  [ "$listed" = "$(printf '%s\n' "${mapped_ports[@]}" | sort | tr '\n' ' ')" ] ||
    { echo "SERIALCOMM lists $listed instead of ${mapped_ports[*]}" >&2; return 1; }
}
stop_wine() {
  [ -n "$wine_prefix" ] || return 0
  WINEPREFIX=$wine_prefix wineserver --kill 2>/dev/null || true
  rm -rf "$wine_prefix"
  wine_prefix=""
}

# --- background helpers (the simulated modules, Xvfb, a PostgreSQL server), stopped by their
# ids ----------------------------------------------------------------------------------------
helper_pids=()
postgres_dir=""
stop_helpers() {
  if [ -n "$postgres_dir" ]; then
    "$repo/tools/throwaway-postgres.sh" stop "$postgres_dir" || true
    postgres_dir=""
  fi
  local pid
  for pid in "${helper_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  helper_pids=()
  if [ -n "$wine_session" ]; then
    wineserver --kill 2>/dev/null || true
    wine_session=""
  fi
}
trap 'stop_helpers; stop_wine' EXIT

# --- the stages -----------------------------------------------------------------------------
stage_deps() {
  "$repo/tools/install-deps.sh"
  # tcl: tclsh makes SQLite's amalgamation for the Windows Qt; postgresql: the server the
  # sql stage reaches from wine, and sqlite3 reads what it wrote there.
  local packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev xz-utils patch
    make perl tcl wine wine64 nsis xvfb xauth x11-utils xdotool imagemagick zip unzip
    fonts-dejavu-core postgresql openssl sqlite3)
  local missing=() package
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

stage_qt() {
  QT_MINGW_PREFIX=$qt VEXAGRID_CACHE=$cache JOBS=$jobs \
    "$here/build-qt.sh" "$serialport_tarball" >"$logs/qt.log" 2>&1 || { tail -30 "$logs/qt.log" >&2; return 1; }
  tail -2 "$logs/qt.log" >&2
}

stage_host() {
  if [ -n "${VEXAGRID_WIN_HOST:-}" ]; then
    local tool
    for tool in vexagrid-artwork vexagrid-cli vexagrid-sim; do
      [ -x "$host/bin/$tool" ] || { echo "no $host/bin/$tool" >&2; return 1; }
    done
    return 0
  fi
  cmake -G Ninja -S "$repo" -B "$host" -DCMAKE_BUILD_TYPE=Release -DVEXAGRID_TESTS=OFF \
    >"$logs/host-configure.log"
  cmake --build "$host" --parallel "$jobs" --target vexagrid-artwork vexagrid-cli vexagrid-sim \
    >"$logs/host-build.log" || { tail -30 "$logs/host-build.log" >&2; return 1; }
}

stage_windows() {
  local werror=OFF
  [ "${VEXAGRID_WERROR:-}" = "1" ] && werror=ON
  cmake -G Ninja -S "$repo" -B "$win" \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DCMAKE_BUILD_TYPE=Release -DVEXAGRID_WERROR=$werror \
    -DVEXAGRID_HOST_ARTWORK="$host/bin/vexagrid-artwork" \
    >"$logs/windows-configure.log" || { tail -30 "$logs/windows-configure.log" >&2; return 1; }
  cmake --build "$win" --parallel "$jobs" \
    --target vexagrid vexagrid-cli vexagrid_runtime_files "${windows_tests[@]}" \
    >"$logs/windows-build.log" || { grep -m3 -A12 "error" "$logs/windows-build.log" >&2; return 1; }
  ls -l "$win/bin/"*.exe >&2
  # The file properties Windows shows: name, version and maker from the version resource.
  local version exe
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")
  for exe in vexagrid.exe vexagrid-cli.exe; do
    say "$exe properties"
    python3 "$here/versioninfo.py" "$win/bin/$exe" "FileVersion=$version" \
      "ProductName=VexaGrid-3 letöltő szoftver" "CompanyName=VexaGrid Kft." \
      "OriginalFilename=$exe" >&2
  done
}

stage_tests() {
  local test failed=0 results=$out/test-results
  rm -rf "$results"
  mkdir -p "$results"
  for test in "${windows_tests[@]}"; do
    # wine passes no QT_* variable to a Windows program; WINEQT_X reaches it as QT_X.
    # Qt Test prints nothing when its output is not a terminal: the report goes to a file.
    if (cd "$win/tests" &&
      WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_PLATFORMTHEME= \
        WINEQT_QPA_FONTDIR="$(windows_path /usr/share/fonts/truetype/dejavu)" \
        VEXAGRID_TEST_SOURCE_DIR="$(windows_path "$repo")" \
        VEXAGRID_TEST_BIN_DIR="$(windows_path "$win/bin")" \
        timeout 300 wine "./$test.exe" -o "$(windows_path "$results/$test.txt"),txt" \
        >"$results/$test.out" 2>&1); then
      say "PASS $test: $(grep -h '^Totals' "$results/$test.txt")"
    else
      failed=1
      say "FAIL $test: $(grep -h '^Totals' "$results/$test.txt" 2>/dev/null || echo "no report")"
      grep -h -A3 "^FAIL" "$results/$test.txt" >&2 || tail -20 "$results/$test.out" >&2
    fi
  done
  return $failed
}

# Waits until a simulated module has registered `name` in `dir`; prints its device.
wait_for_module() {
  local dir=$1 name=$2 i
  for i in $(seq 100); do
    [ -L "$dir/$name" ] && { readlink -f "$dir/$name"; return 0; }
    sleep 0.1
  done
  echo "no $name in $dir" >&2
  return 1
}

stage_sim() {
  local dir=$out/sim
  rm -rf "$dir"
  mkdir -p "$dir/win" "$dir/linux" "$dir/win-state" "$dir/linux-state"
  local cli_exe=$win/bin/vexagrid-cli.exe
  local file=$repo/resources/defval_vg.dll

  # The Windows program on COM3, through the wine prefix's dosdevices.
  "$host/bin/vexagrid-sim" --port COM3 --dosdevices "$dir/win" --state-dir "$dir/win-state" 2>"$dir/sim-windows.log" \
    >"$dir/sim-windows.out" &
  helper_pids+=($!)
  local pty
  pty=$(wait_for_module "$dir/win" com3)
  map_com_port COM3 "$pty" || return 1
  say "COM3 in the wine prefix is $pty"
  # wine's limit, shown without Qt (tools/windows/commprobe.c): on a pseudo-terminal its wait
  # for "a character came" ends at once, aborted, as no modem line can be read there.
  x86_64-w64-mingw32-gcc-posix -O2 -o "$dir/commprobe.exe" "$here/commprobe.c"
  say "wine commprobe.exe COM3"
  (cd "$dir" && timeout 30 wine "$dir/commprobe.exe" COM3 2>&1 | tr -d '\r' | sed 's/^/    /' >&2) || true
  local command
  # A module with a state folder of its own starts empty: the read comes after the write.
  for command in "identify --port COM3" "status --port COM3" \
    "write --verify --port COM3 $(windows_path "$file")" \
    "read --port COM3 -o $(windows_path "$dir/read-windows.vgf")"; do
    say "wine vexagrid-cli.exe $command"
    # shellcheck disable=SC2086
    (cd "$dir" && timeout 120 wine "$cli_exe" $command) >"$dir/out.txt" 2>&1 ||
      { cat "$dir/out.txt" >&2; return 1; }
    sed 's/^/    /' "$dir/out.txt" >&2
  done

  # Each of them is in the record (every command's identification too), the write's verify
  # as an event of its own, and all went well.
  local history operations
  history=$(cd "$dir" && timeout 60 wine "$cli_exe" history 2>&1 | tr -d '\r')
  operations=$(awk '$6 == "COM3" && / rendben/ { print $5 }' <<<"$history" | sort -u | tr '\n' ' ')
  say "wine vexagrid-cli.exe history:"
  sed 's/^/    /' <<<"$history" >&2
  [ "$operations" = "identify read status verify write " ] && ! grep -q " hiba" <<<"$history" ||
    { echo "not the five kinds of exchange, all well, in the record" >&2; return 1; }

  # The Linux program writes the same file on COM4 of another simulated module.
  "$host/bin/vexagrid-sim" --port COM4 --dosdevices "$dir/linux" --state-dir "$dir/linux-state" 2>"$dir/sim-linux.log" \
    >"$dir/sim-linux.out" &
  helper_pids+=($!)
  wait_for_module "$dir/linux" com4 >/dev/null
  VEXAGRID_DOSDEVICES=$dir/linux VEXAGRID_RECORD=off "$host/bin/vexagrid-cli" write --verify --port COM4 "$file" \
    >"$dir/out.txt" 2>&1 || { cat "$dir/out.txt" >&2; return 1; }
  stop_helpers

  # What each module was sent: the simulators log each write request (its size, its fields
  # and what became of it) and keep the configuration it stored.
  grep "write request" "$dir/sim-windows.log" | cut -d' ' -f3- >"$dir/writes-windows.txt"
  grep "write request" "$dir/sim-linux.log" | cut -d' ' -f3- >"$dir/writes-linux.txt"
  [ -s "$dir/writes-windows.txt" ] || { echo "the simulator logged no write" >&2; return 1; }
  sed 's/^/    /' "$dir/writes-windows.txt" >&2
  cmp "$dir/writes-windows.txt" "$dir/writes-linux.txt" >&2 || return 1
  cmp "$dir/win-state/com3.state" "$dir/linux-state/com4.state" >&2 || return 1
  say "the write requests and the stored configurations from Windows and Linux are the same"
}

# The files of the package folder, one relative path a line.
folder_files() { (cd "$1" && find . -type f ! -path ./uninstall.exe | sed 's|^\./||' | sort); }

stage_package() {
  "$here/package.sh" "$win" "$qt" "$out/package" >"$logs/package.log" 2>&1 ||
    { tail -30 "$logs/package.log" >&2; return 1; }
  cat "$logs/package.log" >&2
  local folder zip_file
  folder=$(echo "$out/package/vexagrid-"*/)
  zip_file=$(echo "$out/package/vexagrid-"*-windows.zip)
  # The zip holds the folder as it is.
  diff <(folder_files "$folder") \
    <(unzip -Z1 "$zip_file" | grep -v '/$' | sed 's|^[^/]*/||' | sort) >&2 ||
    { echo "the zip does not hold the package folder" >&2; return 1; }
  say "the record's SQL drivers and the DLLs they load:" \
    "$(cd "$folder" && ls sqldrivers/*.dll Qt6Sql.dll libpq.dll libssl*.dll libcrypto*.dll | tr '\n' ' ')"
}

# The probe (sqlprobe.exe) runs beside a copy of the packaged programs, from another folder
# and without WINEPATH: Qt finds the SQL drivers there, and they find the DLLs they load
# (Qt6Sql, libpq, OpenSSL) among the shipped ones, as on a user's machine.
sql_probe() {
  local out_file=$1
  shift
  (cd /tmp && WINEPATH= timeout 120 wine "$sql_app/sqlprobe.exe" "$@") >"$out_file" 2>&1
  local rc=$?
  tr -d '\r' <"$out_file" | sed 's/^/    /' >&2
  return $rc
}

stage_sql() {
  [ -d "$out/package/vexagrid-"*/ ] || stage_package
  local dir=$out/sql
  rm -rf "$dir"
  mkdir -p "$dir"
  sql_app=$dir/app
  cp -r "$(echo "$out/package/vexagrid-"*/)" "$sql_app"
  x86_64-w64-mingw32-g++-posix -std=c++17 -O1 -I"$qt/include" -I"$qt/include/QtCore" \
    -I"$qt/include/QtSql" -o "$sql_app/sqlprobe.exe" "$here/sqlprobe.cpp" \
    -L"$qt/lib" -lQt6Sql -lQt6Core >"$logs/sqlprobe-build.log" 2>&1 ||
    { cat "$logs/sqlprobe-build.log" >&2; return 1; }

  say "SQLite: a new file, WAL, synchronous=FULL, a row in a BEGIN IMMEDIATE transaction"
  sql_probe "$dir/sqlite.out" sqlite "$(windows_path "$dir/probe.sqlite")" ||
    { echo "the SQLite probe failed" >&2; return 1; }
  # What wine wrote is an ordinary SQLite file: the Linux sqlite3 reads the row.
  local row
  row=$(sqlite3 "$dir/probe.sqlite" "SELECT text FROM probe" 2>&1) || true
  say "sqlite3 on Linux reads: $row"
  [ "$row" = "árvíztűrő tükörfúrógép" ] || { echo "not the row written under wine" >&2; return 1; }

  postgres_dir=$dir/postgres
  "$repo/tools/throwaway-postgres.sh" start "$postgres_dir" >"$dir/server.env" 2>"$logs/postgres.log" ||
    { cat "$logs/postgres.log" >&2; return 1; }
  say "$(tail -1 "$logs/postgres.log")"
  local key value pg_host="" pg_port="" pg_database="" pg_user="" pg_password="" pg_passfile="" pg_rootcert=""
  while IFS='=' read -r key value; do
    case $key in host | port | database | user | password | passfile | rootcert) printf -v "pg_$key" '%s' "$value" ;; esac
  done <"$dir/server.env"
  local server=("$pg_host" "$pg_port" "$pg_database" "$pg_user")
  # wine hands the environment on to Windows programs, PG* variables included; files are
  # named by their Windows paths, with forward slashes among libpq's options, which read a
  # backslash as an escape.
  say "PostgreSQL over TLS (sslmode=require), the password from PGPASSWORD"
  PGPASSWORD=$pg_password sql_probe "$dir/psql-password.out" psql "${server[@]}" \
    "sslmode=require" "from wine, PGPASSWORD" || { echo "the PostgreSQL probe failed" >&2; return 1; }
  say "PostgreSQL with the certificate checked (sslmode=verify-full), the password from a password file"
  PGPASSFILE=$(windows_path "$pg_passfile") sql_probe "$dir/psql-passfile.out" psql "${server[@]}" \
    "sslmode=verify-full;sslrootcert=Z:$pg_rootcert" "from wine, PGPASSFILE" ||
    { echo "the PostgreSQL probe with the password file failed" >&2; return 1; }
  # The OpenSSL built for libpq keeps both versions of TLS a server may offer.
  say "PostgreSQL over TLS 1.2 at most, the certificate checked"
  PGPASSWORD=$pg_password sql_probe "$dir/psql-tls12.out" psql "${server[@]}" \
    "sslmode=verify-full;sslrootcert=Z:$pg_rootcert;ssl_max_protocol_version=TLSv1.2" \
    "from wine, TLS 1.2" || { echo "the PostgreSQL probe over TLS 1.2 failed" >&2; return 1; }
  grep -q "^TLS (ssl,version,cipher): true,TLSv1.3," "$dir/psql-password.out" &&
    grep -q "^TLS (ssl,version,cipher): true,TLSv1.2," "$dir/psql-tls12.out" ||
    { echo "not TLS 1.3 by default and TLS 1.2 when asked" >&2; return 1; }
  say "PostgreSQL with a wrong password: refused"
  if PGPASSWORD=wrong-$pg_password sql_probe "$dir/psql-wrong.out" psql "${server[@]}" \
    "sslmode=require" "from wine, a wrong password"; then
    echo "a wrong password was taken" >&2
    return 1
  fi
  grep -q "password authentication failed" "$dir/psql-wrong.out" ||
    { echo "not refused for its password" >&2; return 1; }
  # The rows the probes inserted, as the server keeps them, read on Linux.
  local rows
  rows=$(PGPASSWORD=$pg_password psql -X -At "host=$pg_host port=$pg_port dbname=$pg_database user=$pg_user sslmode=require" \
    -c "SELECT text FROM probe ORDER BY id" 2>&1 | tr '\n' '|') || true
  say "psql on Linux reads: $rows"
  [ "$rows" = "from wine, PGPASSWORD|from wine, PGPASSFILE|from wine, TLS 1.2|" ] ||
    { echo "not the three rows inserted under wine" >&2; return 1; }

  # The team's record: an exchange recorded by vexagrid-cli.exe under wine (an identification
  # of a port that is not there) reaches the server through the sync at the end of the
  # command and `history sync`; a Linux record syncing from the server then lists it.
  local url="postgresql://$pg_user@$pg_host:$pg_port/$pg_database?sslmode=require" team
  PGPASSWORD=$pg_password "$host/bin/vexagrid-cli" history init-remote "$url" >"$dir/init.out" 2>&1 ||
    { cat "$dir/init.out" >&2; return 1; }
  (cd "$dir" && PGPASSWORD=$pg_password VEXAGRID_OPERATOR=telepito-wine \
    VEXAGRID_RECORD="$(windows_path "$dir/wine-record.sqlite")" WINEPATH= timeout 60 \
    wine "$sql_app/vexagrid-cli.exe" identify --port COM9 --remote "$url") >"$dir/team.out" 2>&1 || true
  (cd "$dir" && PGPASSWORD=$pg_password VEXAGRID_RECORD="$(windows_path "$dir/wine-record.sqlite")" \
    WINEPATH= timeout 60 wine "$sql_app/vexagrid-cli.exe" history sync --remote "$url") \
    >>"$dir/team.out" 2>&1 || { tr -d '\r' <"$dir/team.out" >&2; return 1; }
  say "wine vexagrid-cli.exe identify --port COM9, then history sync:"
  tr -d '\r' <"$dir/team.out" | sed 's/^/    /' >&2
  PGPASSWORD=$pg_password VEXAGRID_RECORD=$dir/linux-record.sqlite "$host/bin/vexagrid-cli" \
    history sync --remote "$url" >"$dir/pull.out" 2>&1 || { cat "$dir/pull.out" >&2; return 1; }
  team=$(VEXAGRID_RECORD=$dir/linux-record.sqlite "$host/bin/vexagrid-cli" history 2>&1)
  say "vexagrid-cli history on Linux, after its sync:"
  sed 's/^/    /' <<<"$team" >&2
  grep -qE "telepito-wine@.* identify +COM9 " <<<"$team" ||
    { echo "the event recorded under wine did not reach the Linux record" >&2; return 1; }
}

stage_gui() {
  [ -d "$out/package/vexagrid-"*/ ] || stage_package
  local folder
  folder=$(echo "$out/package/vexagrid-"*/)
  local display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
  helper_pids+=($!)
  sleep 2
  # Started from another folder and with no WINEPATH: it has to find its runtime files and
  # every DLL beside itself.
  (cd /tmp && DISPLAY=$display WINEPATH= wine "$folder/vexagrid.exe" $wine_fonts >"$logs/gui.log" 2>&1) &
  helper_pids+=($!)
  local i
  for i in $(seq 60); do
    DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q "VexaGrid" && break
    sleep 1
  done
  sleep 3
  DISPLAY=$display xwininfo -root -tree | grep -i "vexagrid" >&2 || { echo "no window" >&2; return 1; }
  # A message box beside the main window (a runtime file not found, say) is a failure.
  local others
  others=$(DISPLAY=$display xwininfo -root -tree | grep '("vexagrid.exe"' |
    grep -v -e '"VexaGrid-3 letöltő szoftver":' -e '"Default IME":' -e '(has no name)' || true)
  [ -z "$others" ] || { echo "a window beside the main window: $others" >&2; return 1; }
  DISPLAY=$display import -window root "$out/vexagrid-wine.png"
  say "screenshot: $out/vexagrid-wine.png"
  # The program draws the module's picture from a runtime file beside it; without the file
  # that corner of the window is plain background (its pixels do not vary at all).
  local geometry x y spread
  geometry=$(DISPLAY=$display xwininfo -root -tree | grep '"VexaGrid-3 letöltő szoftver":' |
    head -1 | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -1)
  x=$(echo "$geometry" | cut -d+ -f2)
  y=$(echo "$geometry" | cut -d+ -f3)
  spread=$(convert "$out/vexagrid-wine.png" -crop "200x200+$((x + 670))+$((y + 50))" +repage \
    -colorspace gray -format '%[fx:standard_deviation]' info:)
  say "the module's picture at the window's right: spread of its grey levels $spread"
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' ||
    { echo "the module's picture is missing: the program did not find its runtime files" >&2; return 1; }
  wineserver --kill 2>/dev/null || true
  stop_helpers
}

stage_install() {
  local setup
  setup=$(echo "$out/package/vexagrid-"*-setup.exe)
  local target='C:\VexaGrid-3'
  local installed=$wine_prefix/drive_c/VexaGrid-3
  local menu="$wine_prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VexaGrid-3"
  DISPLAY= wine "$setup" /S "/D=$target" >"$logs/install.log" 2>&1
  wineserver --wait
  [ -f "$installed/vexagrid.exe" ] || { echo "nothing installed in $installed" >&2; return 1; }
  say "installed $(find "$installed" -type f | wc -l) files; Start menu: $(ls "$menu" | tr '\n' ' ')"
  # Every file of the package folder, and no other besides the uninstaller.
  diff <(folder_files "$(echo "$out/package/vexagrid-"*/)") <(folder_files "$installed") >&2 ||
    { echo "the installed files are not the package folder's" >&2; return 1; }
  local version
  version=$(cd /tmp && DISPLAY= WINEPATH= wine "$target\\vexagrid-cli.exe" --version 2>&1 | tr -d '\r')
  say "installed vexagrid-cli.exe --version: $version"
  [ -n "$version" ] || return 1
  DISPLAY= wine "$target\\uninstall.exe" /S >"$logs/uninstall.log" 2>&1
  wineserver --wait
  local key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VexaGrid-3'
  if [ -e "$installed" ] || [ -e "$menu" ] || wine reg query "$key" >/dev/null 2>&1; then
    echo "left after the uninstall:" >&2
    find "$installed" "$menu" >&2 2>/dev/null
    return 1
  fi
  say "the uninstaller removed the folder, the Start-menu entries and the uninstall entry"
}

# --- the program on the virtual screen, driven as a user would ------------------------------
# Runs a command every 0.1 s until it succeeds, for at most `seconds`.
wait_until() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 10; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# The program's windows on the screen, one "id title" line each; its menus and open lists
# are windows of their own, titled "vexagrid".
program_windows() {
  local id
  for id in $(xdotool search --onlyvisible --class '^vexagrid\.exe$' 2>/dev/null); do
    echo "$id $(LC_ALL=C.UTF-8 xdotool getwindowname "$id" 2>/dev/null)"
  done
}
# Prints the id of the program's window titled `title`; fails while there is none.
window_titled() {
  program_windows | awk -v title="$1" '{ id = $1; sub(/^[0-9]+ /, "") }
    $0 == title { print id; found = 1; exit } END { exit !found }'
}
no_program_window() { [ -z "$(program_windows)" ]; }
# "width height x y" of a window on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w, h, x, y }'
}
click() { xdotool mousemove --sync "$1" "$2" click 1; }
# How many lines of text (runs of pixel rows with a dark pixel) a part of a screenshot
# shows: the part is "width height x y".
text_lines() {
  local image=$1 w=$2 h=$3 x=$4 y=$5
  convert "$image" -crop "${w}x${h}+${x}+${y}" +repage -colorspace gray -threshold 50% -negate \
    -scale "1x${h}!" -compress none pgm:- | tail -n +4 | tr -s ' \n' '\n' |
    awk 'NF { dark = $1 > 0; if (dark && !before) n++; before = dark } END { print n + 0 }'
}
# Takes screenshots of a part of the screen ("width height x y") until two in a row are the
# same, so that what a window just shown draws is in it; keeps the last in `png`.
settled_shot() {
  local png=$1 w=$2 h=$3 x=$4 y=$5 i sum last=""
  for i in $(seq 30); do
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"
    sum=$(convert "$png" rgb:- | md5sum)
    [ "$sum" = "$last" ] && return 0
    last=$sum
    sleep 0.1
  done
  echo "the screen did not settle; $png may be half drawn" >&2
}
# Starts the packaged vexagrid.exe from another folder and waits for its window.
program_pid=""
start_program() {
  local folder=$1 log=$2
  (cd /tmp && WINEPATH= exec wine "$folder/vexagrid.exe" $wine_fonts) >"$log" 2>&1 &
  program_pid=$!
  helper_pids+=("$program_pid")
  wait_until 60 window_titled "VexaGrid-3 letöltő szoftver" >/dev/null ||
    { echo "no main window" >&2; return 1; }
}
stop_program() {
  kill "$program_pid" 2>/dev/null || true
  wait_until 20 no_program_window || { echo "the program's windows stay" >&2; return 1; }
}
# Opens the port dialog from the menu "Beállítások" -> "Port"; prints the dialog's id.
open_port_dialog() {
  local main w h x y menu try
  main=$(window_titled "VexaGrid-3 letöltő szoftver") || return 1
  read -r w h x y < <(window_geometry "$main")
  # "Beállítások", the menu bar's second title, spans about x 40-120 of its top 16 rows.
  for try in 1 2 3; do
    click $((x + 79)) $((y + 8))
    menu=$(wait_until 3 window_titled vexagrid) && break
  done
  [ -n "$menu" ] || { echo "the menu Beállítások did not open" >&2; return 1; }
  read -r w h x y < <(window_geometry "$menu")
  # "Port" is its only entry.
  click $((x + w / 2)) $((y + h / 2))
  wait_until 10 window_titled "Port beállítások" ||
    { echo "no port dialog from the menu" >&2; return 1; }
}
# With the port dialog open: opens its port list, takes a screenshot of the dialog into
# `png`, and prints "width height lines": the dialog's size and the lines the list shows.
port_dialog_shot() {
  local dialog=$1 png=$2 w h x y list lw lh lx ly lines=0
  read -r w h x y < <(window_geometry "$dialog")
  # The list's arrow, right in the field at 130, 10 (111 x 20).
  click $((x + 185)) $((y + 20))
  list=$(wait_until 5 window_titled vexagrid) || { echo "the port list did not open" >&2; return 1; }
  read -r lw lh lx ly < <(window_geometry "$list")
  # The list lies within the dialog.
  settled_shot "$png" "$w" "$h" "$x" "$y"
  lines=$(text_lines "$png" "$lw" "$lh" $((lx - x)) $((ly - y)))
  echo "$w $h $lines"
}
# Holds `name` (a COM port, or a file) from one Windows process and tries to open it from
# another while the first still holds it; what each got goes into dir/holds.txt. The
# holder stays (holder_pid) until it is killed or the stage ends.
holder_pid=""
hold_and_try() {
  local dir=$1 name=$2 log
  log=$dir/hold-${name//[^A-Za-z0-9]/_}.out
  rm -f "$log"
  (cd "$dir" && exec wine "$dir/comopen.exe" hold "$name") >"$log" 2>&1 &
  holder_pid=$!
  helper_pids+=("$holder_pid")
  wait_until 30 grep -qs "^hold " "$log" || { echo "the holder of $name said nothing" >&2; return 1; }
  tr -d '\r' <"$log" >>"$dir/holds.txt"
  grep -q "CreateFile succeeded" "$log" || { echo "the holder could not open $name" >&2; return 1; }
  (cd "$dir" && timeout 30 wine "$dir/comopen.exe" try "$name" 2>&1 | tr -d '\r') >>"$dir/holds.txt" || true
  kill -0 "$holder_pid" 2>/dev/null || { echo "the holder of $name did not wait" >&2; return 1; }
}
identifications() { grep -c "identification request" "$1" || true; }

stage_portdialog() {
  [ -d "$out/package/vexagrid-"*/ ] || stage_package
  local folder dir=$out/portdialog cli
  folder=$(echo "$out/package/vexagrid-"*/)
  cli=$folder/vexagrid-cli.exe
  rm -rf "$dir"
  mkdir -p "$dir/dev"
  x86_64-w64-mingw32-gcc-posix -O2 -o "$dir/comopen.exe" "$here/comopen.c" || return 1
  # A module on COM3 that answers and one on COM4 that stays silent.
  "$host/bin/vexagrid-sim" --port COM3 --port COM4 --fault-on COM4=silent \
    --dosdevices "$dir/dev" --state-dir "$dir/dev" 2>"$dir/sim.log" >"$dir/sim.out" &
  helper_pids+=($!)
  local com3 com4
  com3=$(wait_for_module "$dir/dev" com3) || return 1
  com4=$(wait_for_module "$dir/dev" com4) || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" \
    >"$logs/xvfb-portdialog.log" 2>&1 &
  helper_pids+=($!)
  wait_until 20 test -s "$dir/display" || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=:$(cat "$dir/display")
  export DISPLAY
  local ports

  # 1. COM3 alone: the button searches the listed ports, finds the module and says so.
  map_com_port COM3 "$com3" || return 1
  ports=$(cd /tmp && WINEPATH= timeout 60 wine "$cli" ports 2>&1 | tr -d '\r' | grep '^COM' || true)
  say "wine vexagrid-cli.exe ports, COM3 mapped:"
  sed 's/^/    /' <<<"$ports" >&2
  [ "$ports" = "COM3: COM3, megnyitható" ] || { echo "not COM3 alone, open" >&2; return 1; }
  start_program "$folder" "$dir/program.log" || return 1
  local main w h x y try
  main=$(window_titled "VexaGrid-3 letöltő szoftver") || return 1
  read -r w h x y < <(window_geometry "$main")
  # "Eszköz csatlakoztatása": 211 x 41 at 20, 30 in the group box at 650, 280 of the
  # central area, which starts below the 22 px menu bar.
  for try in 1 2 3; do
    click $((x + 650 + 20 + 105)) $((y + 22 + 280 + 30 + 20))
    wait_until 5 grep -q "COM3 identification request" "$dir/sim.log" && break
  done
  wait_until 30 eval 'program_windows | grep -qE "^[0-9]+ (Eszköz|Hiba)$"' ||
    { echo "neither box came after the button" >&2; program_windows >&2; return 1; }
  # The search's identification and the window's own.
  wait_until 10 eval '[ "$(identifications "$dir/sim.log")" -ge 2 ]' || true
  settled_shot "$out/portsearch-wine.png" "$w" "$h" "$x" "$y"
  say "screenshot: $out/portsearch-wine.png"
  grep "identification request" "$dir/sim.log" | cut -d' ' -f2- | sed 's/^/    /' >&2
  local windows
  windows=$(program_windows | cut -d' ' -f2- | sort)
  say "the program's windows: $(tr '\n' '|' <<<"$windows")"
  [ "$windows" = "$(printf '%s\n' Eszköz "VexaGrid-3 letöltő szoftver" | sort)" ] ||
    { echo "not the main window and one box titled Eszköz" >&2; return 1; }
  [ "$(grep -c "COM3 identification request.*bytes answered" "$dir/sim.log")" -eq 2 ] &&
    [ "$(identifications "$dir/sim.log")" -eq 2 ] ||
    { echo "not two answered identifications on COM3" >&2; return 1; }
  say "the button found the module on COM3: two identifications, one box titled Eszköz"
  stop_program || return 1
  # The window's own identification is in the record (the search's are not exchanges of
  # the window's).
  local recorded
  recorded=$(cd /tmp && WINEPATH= timeout 60 wine "$cli" history --op identify 2>&1 | tr -d '\r')
  say "wine vexagrid-cli.exe history --op identify: $recorded"
  grep -qE "identify +COM3 .*rendben" <<<"$recorded" ||
    { echo "the window's identification is not in the record" >&2; return 1; }

  # 2. COM3 and the silent COM4: the menu's dialog lists both, without a hint below.
  map_com_port COM4 "$com4" || return 1
  ports=$(cd /tmp && WINEPATH= timeout 60 wine "$cli" ports 2>&1 | tr -d '\r' | grep '^COM' || true)
  say "wine vexagrid-cli.exe ports, COM3 and COM4 mapped:"
  sed 's/^/    /' <<<"$ports" >&2
  [ "$ports" = "$(printf 'COM3: COM3, megnyitható\nCOM4: COM4, megnyitható')" ] ||
    { echo "not COM3 and COM4, both open" >&2; return 1; }
  start_program "$folder" "$dir/program.log" || return 1
  local before dialog shot
  before=$(identifications "$dir/sim.log")
  dialog=$(open_port_dialog) || return 1
  shot=$(port_dialog_shot "$dialog" "$out/setcom-wine.png") || return 1
  say "screenshot: $out/setcom-wine.png; the dialog is ${shot% *} px, its list shows ${shot##* } lines"
  [ "$(identifications "$dir/sim.log")" -eq "$before" ] ||
    { echo "the menu's dialog searched the ports" >&2; return 1; }
  [ "$shot" = "280 170 2" ] || { echo "not 280 x 170 px with COM3 and COM4 listed" >&2; return 1; }
  stop_program || return 1

  # 3. COM4 held by another program. Windows refuses a second open of a COM port, and the
  # program then calls it in use; wine checks sharing modes on files only, not on a device
  # such as the pseudo-terminal behind COM4. A held file shows that check for comparison.
  : >"$dir/held.txt"
  hold_and_try "$dir" "$(windows_path "$dir/held.txt")" || return 1
  kill "$holder_pid"
  hold_and_try "$dir" COM4 || return 1
  ports=$(cd /tmp && WINEPATH= timeout 60 wine "$cli" ports 2>&1 | tr -d '\r' | grep '^COM' || true)
  say "one process holds a file, another tries it; then the same with COM4:"
  { cat "$dir/holds.txt"; echo "wine vexagrid-cli.exe ports, COM4 held:"; echo "$ports"; } |
    sed 's/^/    /' >&2
  if ! tail -1 "$dir/holds.txt" | grep -q "CreateFile failed"; then
    say "wine opens a held COM port again: no \"in use\" to show under wine"
    return 0
  fi
  grep -q "^COM4: .*használja egy másik program" <<<"$ports" ||
    { echo "vexagrid-cli.exe does not call COM4 in use" >&2; return 1; }
  start_program "$folder" "$dir/program.log" || return 1
  dialog=$(open_port_dialog) || return 1
  shot=$(port_dialog_shot "$dialog" "$out/setcom-wine-inuse.png") || return 1
  say "screenshot: $out/setcom-wine-inuse.png; the dialog is ${shot% *} px, its list shows ${shot##* } lines"
  local lines
  read -r w h lines <<<"$shot"
  [ "$w" -eq 280 ] && [ "$h" -gt 170 ] && [ "$lines" -eq 1 ] ||
    { echo "not COM3 alone with a hint below" >&2; return 1; }
}

# The many-modules dialog under wine: opened with Ctrl+M, the file and a table of two rows typed
# in (the focus starts in the file's field; Tab walks the fields in their order), "Indítás"
# pressed; both modules store a frame, and the dialog is photographed at the end.
stage_fleet() {
  [ -d "$out/package/vexagrid-"*/ ] || stage_package
  local folder dir=$out/fleet com3 com4
  folder=$(echo "$out/package/vexagrid-"*/)
  rm -rf "$dir"
  mkdir -p "$dir/dev"
  printf 'port,m_id\r\nCOM3,0101\r\nCOM4,0102\r\n' >"$dir/modulok.csv"
  "$host/bin/vexagrid-sim" --port COM3 --port COM4 --dosdevices "$dir/dev" --state-dir "$dir/dev" \
    2>"$dir/sim.log" >"$dir/sim.out" &
  helper_pids+=($!)
  com3=$(wait_for_module "$dir/dev" com3) || return 1
  com4=$(wait_for_module "$dir/dev" com4) || return 1
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" \
    >"$logs/xvfb-fleet.log" 2>&1 &
  helper_pids+=($!)
  wait_until 20 test -s "$dir/display" || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=:$(cat "$dir/display")
  export DISPLAY
  map_com_port COM3 "$com3" || return 1
  map_com_port COM4 "$com4" || return 1
  start_program "$folder" "$dir/program.log" || return 1
  local main dialog w h x y
  main=$(window_titled "VexaGrid-3 letöltő szoftver") || return 1
  read -r w h x y < <(window_geometry "$main")
  # The status bar takes the click: the window has the keyboard, nothing else changes.
  click $((x + w / 2)) $((y + h - 4))
  xdotool key ctrl+m
  dialog=$(wait_until 20 window_titled "Több modul programozása") ||
    { echo "no dialog after Ctrl+M" >&2; program_windows >&2; return 1; }
  xdotool type --delay 20 "$(windows_path "$repo/resources/defval_vg.dll")"
  xdotool key Tab Tab Tab
  xdotool type --delay 20 "$(windows_path "$dir/modulok.csv")"
  # From the table's field: its button, the ports, the two options, the backup folder and its
  # button, "Keresés", "Indítás".
  xdotool key Tab Tab Tab Tab Tab Tab Tab Tab space
  if ! wait_until 120 eval '[ "$(grep -c "write request.*stored" "$dir/sim.log")" -ge 2 ]'; then
    echo "not two frames stored; the dialog as it stood: $out/fleet-wine-failed.png" >&2
    read -r w h x y < <(window_geometry "$dialog")
    settled_shot "$out/fleet-wine-failed.png" "$w" "$h" "$x" "$y" || true
    cat "$dir/sim.log" >&2
    return 1
  fi
  # The verify's read-out after each write, then the summary.
  sleep 5
  read -r w h x y < <(window_geometry "$dialog")
  settled_shot "$out/fleet-wine.png" "$w" "$h" "$x" "$y"
  say "screenshot: $out/fleet-wine.png"
  grep -E "request" "$dir/sim.log" | cut -d' ' -f2- | sed 's/^/    /' >&2
  # The run is in the record: the window's history dialog (Ctrl+H, once the dialog is
  # closed) shows it, and vexagrid-cli.exe lists its two writes.
  xdotool key Escape
  wait_until 10 eval '! program_windows | grep -q "Több modul programozása"' ||
    { echo "the dialog did not close" >&2; return 1; }
  xdotool key ctrl+h
  dialog=$(wait_until 20 window_titled "Előzmények") ||
    { echo "no history dialog after Ctrl+H" >&2; program_windows >&2; return 1; }
  sleep 2
  read -r w h x y < <(window_geometry "$dialog")
  settled_shot "$out/history-wine.png" "$w" "$h" "$x" "$y"
  say "screenshot: $out/history-wine.png"
  stop_program
  local writes
  writes=$(cd /tmp && WINEPATH= timeout 60 wine "$folder/vexagrid-cli.exe" history --op write 2>&1 |
    tr -d '\r')
  say "wine vexagrid-cli.exe history --op write:"
  sed 's/^/    /' <<<"$writes" >&2
  grep -qE "write +COM3 +0101 .*rendben" <<<"$writes" &&
    grep -qE "write +COM4 +0102 .*rendben" <<<"$writes" ||
    { echo "the record does not hold both writes of the dialog" >&2; return 1; }
}

# --- run ------------------------------------------------------------------------------------
results=()
overall=0
run_stage() {
  local name=$1 start rc
  start=$(date +%s)
  say "=== $name"
  set +e
  if [ "$name" = prefix ]; then
    # In this shell: the later stages use the prefix it makes.
    setup_wine
    rc=$?
  else
    (
      set -e
      trap stop_helpers EXIT
      "stage_$name"
    )
    rc=$?
  fi
  set -e
  local seconds=$(($(date +%s) - start))
  if [ $rc -eq 0 ]; then
    results+=("$(printf '%-10s PASS %5d s' "$name" "$seconds")")
  else
    results+=("$(printf '%-10s FAIL %5d s' "$name" "$seconds")")
    overall=1
  fi
  return $rc
}

preparation="deps qt host windows prefix"
[ -n "$prepare" ] && preparation=$prepare
for stage in $preparation; do
  if ! run_stage "$stage"; then
    printf '  %s\n' "${results[@]}"
    exit 1
  fi
done
[ -z "$prepare" ] || { printf '  %s\n' "${results[@]}"; exit 0; }
for stage in tests sim package sql gui portdialog fleet; do
  case " $stages " in *" $stage "*) ;; *) continue ;; esac
  run_stage "$stage" || true
  if [ "$stage" = package ] && [ -f "$out/package/vexagrid-"*-setup.exe ]; then
    run_stage install || true
  fi
done

echo
echo "Windows check:"
printf '  %s\n' "${results[@]}"
[ $overall -eq 0 ] && echo "all stages passed" || echo "some stages failed"
exit $overall
