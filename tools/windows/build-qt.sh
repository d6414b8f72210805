#!/usr/bin/env bash
# Builds Qt 6.4.2 for 64-bit Windows with MinGW-w64, against the host's Qt 6.4.2 for moc,
# rcc and uic: qtbase (Core, Gui, Widgets, Test, the windows and offscreen platform plugins)
# and Qt Serial Port. Installs into a cache folder and reuses it while the inputs (this
# script, the toolchain file, any patch beside it, the source tarballs and the compiler)
# are the same.
#
#   tools/windows/build-qt.sh QTSERIALPORT_TARBALL      (or QTSERIALPORT_TARBALL=... in the environment)
#
# qtbase comes from Debian's source package (apt-get source with a private sources list, so
# the machine's apt setup is not touched); Qt Serial Port from the official source tarball
# qtserialport-everywhere-src-6.4.2.tar.xz.
#
# Environment: VEXAGRID_CACHE (default ~/.cache/vexagrid), QT_MINGW_PREFIX (default
# $VEXAGRID_CACHE/qt-6.4.2-mingw), JOBS (default: all cores). Prints the prefix on its last line.
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
qtbase_package=qt6-base
qtbase_version=6.4.2+dfsg-10 # Debian 12's
toolchain=$here/mingw-w64.cmake
mingw_cxx=x86_64-w64-mingw32-g++-posix
# The host Qt's CMake packages (Qt6HostInfo, Qt6CoreTools, ...).
host_cmake_dir=/usr/lib/$(gcc -dumpmachine 2>/dev/null || echo x86_64-linux-gnu)/cmake

log() { echo "[build-qt] $*" >&2; }

for tool in $mingw_cxx cmake ninja xz; do
  command -v $tool >/dev/null || { echo "missing: $tool (run tools/windows/check.sh, which installs it)" >&2; exit 1; }
done
[ -x /usr/lib/qt6/libexec/moc ] || { echo "missing: the host Qt 6 (qt6-base-dev)" >&2; exit 1; }

# --- qtbase's source from Debian, fetched once into the cache --------------------------------
sources=$cache/sources
mkdir -p "$sources"
dsc=$sources/${qtbase_package}_${qtbase_version}.dsc
if [ ! -f "$dsc" ]; then
  log "fetching Debian's source of $qtbase_package $qtbase_version"
  apt_dir=$(mktemp -d)
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  cat >"$apt_dir/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
  apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o APT::Sandbox::User=root)
  apt-get "${apt_options[@]}" -qq update
  (cd "$sources" && apt-get "${apt_options[@]}" -qq source --download-only "$qtbase_package=$qtbase_version")
  rm -rf "$apt_dir"
fi

# --- is the cached build still good? ---------------------------------------------------------
inputs=("$here/build-qt.sh" "$toolchain" "$serialport_tarball" "$dsc")
while read -r file; do inputs+=("$sources/$file"); done < <(awk '/^Files:/{f=1;next} /^[^ ]/{f=0} f && NF == 3 {print $3}' "$dsc")
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
mkdir -p "$work"
log "unpacking qtbase (Debian's patches applied)"
(cd "$work" && dpkg-source --no-check -x "$dsc" qtbase >/dev/null)
for patch in "$here"/qtbase-*.patch; do
  [ -f "$patch" ] || continue
  log "applying $(basename "$patch")"
  patch -d "$work/qtbase" -p1 --forward <"$patch"
done

log "configuring qtbase"
cmake -G Ninja -S "$work/qtbase" -B "$work/qtbase-build" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF \
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF \
  >"$work/qtbase-configure.log" 2>&1 || { tail -40 "$work/qtbase-configure.log" >&2; exit 1; }
log "building qtbase ($jobs jobs)"
cmake --build "$work/qtbase-build" --parallel "$jobs" >"$work/qtbase-build.log" 2>&1 ||
  { grep -m5 -B2 -A10 "error" "$work/qtbase-build.log" >&2 || tail -40 "$work/qtbase-build.log" >&2; exit 1; }
cmake --install "$work/qtbase-build" >/dev/null

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

[ -f "$prefix/plugins/platforms/qwindows.dll" ] || { echo "no qwindows.dll was built" >&2; exit 1; }
[ -f "$prefix/plugins/platforms/qoffscreen.dll" ] || { echo "no qoffscreen.dll was built" >&2; exit 1; }
rm -rf "$work"
echo "$stamp_value" >"$stamp"
log "installed: $prefix ($(du -sh "$prefix" | cut -f1), $(find "$prefix" -type f | wc -l) files)"
echo "$prefix"
