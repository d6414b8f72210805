#!/usr/bin/env bash
# Builds Qt 6.4.2 for 64-bit Windows with MinGW-w64, against the host's Qt 6.4.2 for moc,
# rcc and uic: qtbase (Core, Gui, Widgets, Test, Sql with its SQLite and PostgreSQL drivers,
# the windows and offscreen platform plugins) and Qt Serial Port, with what the SQL drivers
# need: SQLite's amalgamation (built into the SQLite driver), libpq and OpenSSL (DLLs beside
# Qt's). Installs into a cache folder and reuses it while the inputs (this script, the
# toolchain file, any patch beside it, the source packages and tarball, and the compiler)
# are the same.
#
#   tools/windows/build-qt.sh QTSERIALPORT_TARBALL      (or QTSERIALPORT_TARBALL=... in the environment)
#
# qtbase, SQLite, OpenSSL and PostgreSQL (of which only libpq is built) come from Debian's
# source packages, Debian's patches applied (apt-get source with a private sources list, so
# the machine's apt setup is not touched); Qt Serial Port from the official source tarball
# qtserialport-everywhere-src-6.4.2.tar.xz.
#
# Environment: VEXAGRID_CACHE (default ~/.cache/vexagrid), QT_MINGW_PREFIX (default
# $VEXAGRID_CACHE/qt-6.4.2-mingw), JOBS (default: all cores). Says how long each part took;
# prints the prefix on its last line.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
serialport_tarball=${1:-${QTSERIALPORT_TARBALL:-}}
if [ -z "$serialport_tarball" ] || [ ! -f "$serialport_tarball" ]; then
  echo "usage: $0 path/to/qtserialport-everywhere-src-6.4.2.tar.xz" >&2
  exit 2
fi
serialport_tarball=$(realpath "$serialport_tarball")

cache=${VEXAGRID_CACHE:-$HOME/.cache/vexagrid}
prefix=${QT_MINGW_PREFIX:-$cache/qt-6.4.2-mingw}
jobs=${JOBS:-$(nproc)}
# Debian 12's source packages, package=version. Fixes reach them as new versions, and the
# archive keeps only the current ones: a pinned version it has dropped is replaced by the
# newest one it serves, with a warning to update the pin here.
source_packages=(qt6-base=6.4.2+dfsg-10 sqlite3=3.40.1-2+deb12u2 openssl=3.0.20-1~deb12u2
  postgresql-15=15.18-0+deb12u1)
toolchain=$here/mingw-w64.cmake
mingw=x86_64-w64-mingw32
mingw_cxx=$mingw-g++-posix
# The host Qt's CMake packages (Qt6HostInfo, Qt6CoreTools, ...).
host_cmake_dir=/usr/lib/$(gcc -dumpmachine 2>/dev/null || echo x86_64-linux-gnu)/cmake

log() { echo "[build-qt] $*" >&2; }

# tclsh and the host's gcc make SQLite's amalgamation; perl runs OpenSSL's and PostgreSQL's
# builds.
for tool in $mingw_cxx cmake ninja xz tclsh gcc make perl; do
  command -v $tool >/dev/null || { echo "missing: $tool (run tools/windows/check.sh, which installs it)" >&2; exit 1; }
done
[ -x /usr/lib/qt6/libexec/moc ] || { echo "missing: the host Qt 6 (qt6-base-dev)" >&2; exit 1; }

# --- the source packages from Debian, fetched once into the cache ----------------------------
sources=$cache/sources
mkdir -p "$sources"
apt_dir=""
apt_options=()
trap '[ -z "$apt_dir" ] || rm -rf "$apt_dir"' EXIT
# A private sources list of Debian 12's source archives, made and updated on first use.
private_apt() {
  [ -z "$apt_dir" ] || return 0
  apt_dir=$(mktemp -d)
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  {
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main"
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main"
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main"
  } >"$apt_dir/sources.list"
  apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o APT::Sandbox::User=root)
  apt-get "${apt_options[@]}" -qq update
}
download_source() {
  private_apt
  (cd "$sources" && apt-get "${apt_options[@]}" -qq source --download-only "$1=$2")
}
# Sets `dsc` to the .dsc of `package` at `version` in the cache, fetched when missing; when
# the archive no longer serves that version, of the newest one it does.
dsc=""
fetch_source() {
  local package=$1 version=$2 candidate
  dsc=$sources/${package}_$version.dsc
  [ -f "$dsc" ] && return 0
  log "fetching Debian's source of $package $version"
  download_source "$package" "$version" >&2 && [ -f "$dsc" ] && return 0
  for candidate in $(apt-cache "${apt_options[@]}" showsrc "$package" | sed -n 's/^Version: //p' |
    sort -u -r -V); do
    download_source "$package" "$candidate" >&2 || continue
    log "WARNING: $package $version is gone from the archive; using $candidate:" \
      "update the pin in tools/windows/build-qt.sh"
    dsc=$sources/${package}_$candidate.dsc
    return 0
  done
  echo "no source of $package in the archive" >&2
  exit 1
}
declare -A dscs
for entry in "${source_packages[@]}"; do
  fetch_source "${entry%%=*}" "${entry#*=}"
  dscs[${entry%%=*}]=$dsc
done
# A package's version, from its .dsc's name.
version_of() { basename "${dscs[$1]}" .dsc | cut -d_ -f2; }

# --- is the cached build still good? ---------------------------------------------------------
inputs=("$here/build-qt.sh" "$toolchain" "$serialport_tarball")
for entry in "${source_packages[@]}"; do
  inputs+=("${dscs[${entry%%=*}]}")
  while read -r file; do inputs+=("$sources/$file"); done < <(awk '/^Files:/{f=1;next} /^[^ ]/{f=0} f && NF == 3 {print $3}' "${dscs[${entry%%=*}]}")
done
for patch in "$here"/*.patch; do [ -f "$patch" ] && inputs+=("$patch"); done
stamp_value=$({
  sha256sum "${inputs[@]}" | awk '{print $1}'
  $mingw_cxx --version | head -1
  dpkg-query -W -f='${Version}\n' qt6-base-dev 2>/dev/null || true
} | sha256sum | awk '{print $1}')
stamp=$prefix/.vexagrid-build-stamp
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_value" ]; then
  log "up to date: $prefix"
  echo "$prefix"
  exit 0
fi

# --- build ------------------------------------------------------------------------------------
work=$cache/build-qt
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/bin" "$prefix/lib" "$prefix/include"
# Unpacks a source package into $work/FOLDER, Debian's patches applied.
unpack() { (cd "$work" && dpkg-source --no-check -x "${dscs[$1]}" "$2" >/dev/null); }
# Says which step failed, with the end of its log, and stops.
failed() {
  echo "$1 failed; the end of $2:" >&2
  tail -40 "$2" >&2
  exit 1
}
# Sets `cpu` to the CPU time of the finished child processes, user plus system, in whole
# seconds. `times` runs in this shell: in a subshell it would see that subshell's children.
cpu=0
cpu_seconds() {
  times >"$work/times"
  cpu=$(tail -1 "$work/times" | awk '{ for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); s += t[1] * 60 + t[2] } }
    END { printf "%d\n", s }')
}
part_start=$SECONDS
cpu_seconds
part_cpu=$cpu
took() {
  cpu_seconds
  log "  $* in $((SECONDS - part_start)) s (CPU, user and system: $((cpu - part_cpu)) s)"
  part_start=$SECONDS
  part_cpu=$cpu
}

# Debian's qtbase leaves out Qt's bundled copy of SQLite; its SQLite driver is built with
# the amalgamation made here from Debian's SQLite, in the place of the bundled copy. The
# amalgamation is generated source: configure and make for this machine, with tclsh.
log "SQLite $(version_of sqlite3): the amalgamation sqlite3.c"
unpack sqlite3 sqlite
mkdir "$work/sqlite-build"
(cd "$work/sqlite-build" && "$work/sqlite/configure" --disable-tcl && make sqlite3.c) \
  >"$work/sqlite.log" 2>&1 || failed "making sqlite3.c" "$work/sqlite.log"
took "sqlite3.c"

# The two DLLs alone: no programs, tests or documents, and not the static libraries that
# `make build_libs` compiles from the same sources a second time. Only what libpq's TLS
# needs: TLS 1.2 and 1.3 with their ciphers, certificates and their checks; no legacy
# provider, engines, DTLS, old or national ciphers, nor the certificate, time-stamp and
# status protocols. The installation folder built into them is where a Windows OpenSSL
# lives: the DLLs look there for their configuration, and a folder of this machine would
# become a path on the user's current drive, which any user may create.
log "OpenSSL $(version_of openssl): libcrypto and libssl"
unpack openssl openssl
openssl_off=(no-tests no-legacy no-engine no-dtls no-ssl3 no-comp no-srp no-gost no-idea no-seed
  no-camellia no-aria no-sm2 no-sm3 no-sm4 no-whirlpool no-mdc2 no-md4 no-rc2 no-rc4 no-bf
  no-cast no-siphash no-ts no-ct no-cms no-cmp no-ocsp no-srtp no-nextprotoneg)
(cd "$work/openssl" &&
  ./Configure mingw64 --cross-compile-prefix=$mingw- CC=gcc-posix CXX=g++-posix \
    --prefix="C:/Program Files/OpenSSL" --libdir=lib shared "${openssl_off[@]}" &&
  make build_generated &&
  make -j"$jobs" libcrypto-3-x64.dll libssl-3-x64.dll) \
  >"$work/openssl.log" 2>&1 || failed "building OpenSSL" "$work/openssl.log"
cp "$work/openssl/"lib{crypto,ssl}-3-x64.dll "$prefix/bin/"
cp "$work/openssl/"lib{crypto,ssl}.dll.a "$prefix/lib/"
mkdir -p "$prefix/include/openssl"
cp "$work/openssl/include/openssl/"*.h "$prefix/include/openssl/"
took "OpenSSL"

# libpq alone, with the one of the three builds of src/common and src/port that it links
# (its own make would build the server's and the programs' as well): no server, no time
# zone data, no programs. On Windows libpq's thread safety is its own code (configure looks for no
# pthreads there). Its service file is looked for in the folder built in, a Windows one for
# the same reason as OpenSSL's. On Windows libpq's link takes all of configure's libraries,
# the two helper libraries' other builds among them: those two are left out of it.
log "PostgreSQL $(version_of postgresql-15): libpq"
unpack postgresql-15 postgresql
(cd "$work/postgresql" &&
  ./configure --host=$mingw CC=$mingw-gcc-posix --prefix="$prefix" \
    --sysconfdir="C:/Program Files/PostgreSQL/etc" \
    --without-readline --without-icu --without-zlib --with-openssl \
    CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" LIBS=-lsecur32 &&
  make -C src/backend generated-headers &&
  make -C src/port -j"$jobs" libpgport_shlib.a &&
  make -C src/common -j"$jobs" libpgcommon_shlib.a &&
  make -C src/interfaces/libpq -j"$jobs" SHLIB_PREREQS= \
    LIBS="$(sed -n 's/^LIBS = //p' src/Makefile.global | sed 's/-lpg\(common\|port\)\b//g')" install) \
  >"$work/libpq.log" 2>&1 || failed "building libpq" "$work/libpq.log"
# What Qt's PostgreSQL driver includes beside libpq-fe.h.
cp "$work/postgresql/src/include/"{postgres_ext.h,pg_config_ext.h,pg_config.h} "$prefix/include/"
took "libpq"

log "unpacking qtbase (Debian's patches applied)"
unpack qt6-base qtbase
mkdir -p "$work/qtbase/src/3rdparty/sqlite"
cp "$work/sqlite-build/"{sqlite3.c,sqlite3.h} "$work/qtbase/src/3rdparty/sqlite/"
for patch in "$here"/qtbase-*.patch; do
  [ -f "$patch" ] || continue
  log "applying $(basename "$patch")"
  patch -d "$work/qtbase" -p1 --forward <"$patch"
done

log "configuring qtbase"
# SQL with the SQLite driver (the bundled copy, above) and the PostgreSQL driver (against
# the libpq above); the other drivers off, so that none comes along because MinGW happens
# to have its library (ODBC). Off as well, for the build's time: the image format plugins that
# neither the programs nor the package load (GIF, ICO); the Direct2D platform plugin, which
# compiles the windows platform plugin's sources a second time and is never shipped (Direct
# 2D 1.1 off; Direct2D itself stays: without it Qt 6.4's windows platform plugin does not
# link, its DirectWrite font database goes with it); and the widgets and text formats the
# programs never use (graphics view, MDI, undo framework, wizard, calendar and date editing,
# colour and font dialogs, LCD number, dial, tray icon, animated images, Markdown and ODF).
cmake -G Ninja -S "$work/qtbase" -B "$work/qtbase-build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF -DFEATURE_sql_psql=ON \
  -DPostgreSQL_INCLUDE_DIR="$prefix/include" -DPostgreSQL_LIBRARY="$prefix/lib/libpq.a" \
  -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_oci=OFF \
  -DFEATURE_sql_db2=OFF -DFEATURE_sql_ibase=OFF \
  -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_direct2d1_1=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_undocommand=OFF \
  -DFEATURE_wizard=OFF -DFEATURE_calendarwidget=OFF -DFEATURE_colordialog=OFF \
  -DFEATURE_fontdialog=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF \
  -DFEATURE_systemtrayicon=OFF -DFEATURE_movie=OFF -DFEATURE_textmarkdownreader=OFF \
  -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF \
  -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF \
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
  >"$work/qtbase-configure.log" 2>&1 || { tail -40 "$work/qtbase-configure.log" >&2; exit 1; }
log "building qtbase ($jobs jobs)"
cmake --build "$work/qtbase-build" --parallel "$jobs" >"$work/qtbase-build.log" 2>&1 ||
  { grep -m5 -B2 -A10 "error" "$work/qtbase-build.log" >&2 || tail -40 "$work/qtbase-build.log" >&2; exit 1; }
cmake --install "$work/qtbase-build" >/dev/null
# What the SQL part of qtbase costs: ninja's log gives each step's start and end, and the
# steps of the SQL module and its drivers, summed, against all of them.
read -r sql_s all_s < <(awk -F'\t' 'NR > 1 { t = ($2 - $1) / 1000; all += t }
  $4 ~ /^src\/(sql|plugins\/sqldrivers)\// { sql += t } END { printf "%d %d\n", sql, all }' \
  "$work/qtbase-build/.ninja_log")
took "qtbase; its build steps took $all_s s, those of Qt SQL and its two drivers $sql_s s of them"

log "building Qt Serial Port"
tar -C "$work" -xf "$serialport_tarball"
cmake -G Ninja -S "$work/qtserialport-everywhere-src-6.4.2" -B "$work/qtserialport-build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_PREFIX_PATH="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  >"$work/qtserialport-configure.log" 2>&1 || { tail -40 "$work/qtserialport-configure.log" >&2; exit 1; }
cmake --build "$work/qtserialport-build" --parallel "$jobs" >"$work/qtserialport-build.log" 2>&1 ||
  { tail -40 "$work/qtserialport-build.log" >&2; exit 1; }
cmake --install "$work/qtserialport-build" >/dev/null
took "Qt Serial Port"

for file in plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
  plugins/sqldrivers/qsqlite.dll plugins/sqldrivers/qsqlpsql.dll bin/libpq.dll; do
  [ -f "$prefix/$file" ] || { echo "no $file was built" >&2; exit 1; }
done
cpu_seconds
rm -rf "$work"
echo "$stamp_value" >"$stamp"
log "installed: $prefix ($(du -sh "$prefix" | cut -f1), $(find "$prefix" -type f | wc -l) files)" \
  "in $SECONDS s (CPU, user and system: $cpu s)"
echo "$prefix"
