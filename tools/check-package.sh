#!/usr/bin/env bash
# Builds the Debian package in build-package/ (Release), validates it (desktop entry,
# AppStream metainfo, lintian), installs it, runs the installed programs against a
# simulated module, and removes it again, checking that nothing of it is left.
# Exits non-zero on the first failure. Needs root or sudo (it installs the package).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s)
tools/install-deps.sh --package

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
fail() { echo "check-package: $*" >&2; exit 1; }
step() { echo; echo "== $*"; }

work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

step "Building the package"
build=build-package
# Debian's own hardening flags, as a package built by the distribution gets them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXAGRID_TESTS=OFF >/dev/null
# cpack only installs: everything it installs has to be built first.
cmake --build "$build" -j "$(nproc)" --target vexagrid vexagrid-cli vexagrid-sim \
  vexagrid_runtime_files vexagrid_package_files
rm -f "$build"/vexagrid_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^project(vexagrid VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/vexagrid_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

step "Validating"
dpkg-deb -x "$deb" "$work/tree"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -q 'vexagrid-sim$' && fail "vexagrid-sim is in the package"
desktop-file-validate "$work/tree/usr/share/applications/vexagrid.desktop"
appstreamcli validate --no-net "$work"/tree/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error --info "$deb" || fail "lintian found errors"
# Qt's SQL drivers are plugins, which dpkg-shlibdeps cannot see: the package names them.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6sql6-sqlite libqt6sql6-psql; do
  grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "$package is not in Depends: $depends"
done

step "Installing"
$sudo apt-get install -y -qq "./$deb" >/dev/null
dpkg -L vexagrid | sort >"$work/installed"
for file in /usr/bin/vexagrid /usr/bin/vexagrid-cli \
  /usr/share/vexagrid/defval_vg.dll /usr/share/vexagrid/i_vg-3.dll \
  /usr/share/vexagrid/vexagrid-help.pdf /usr/share/applications/vexagrid.desktop \
  /usr/share/icons/hicolor/48x48/apps/vexagrid.png /usr/share/icons/hicolor/256x256/apps/vexagrid.png \
  /usr/share/man/man1/vexagrid.1.gz /usr/share/man/man1/vexagrid-cli.1.gz \
  /usr/share/doc/vexagrid/copyright; do
  [ -f "$file" ] || fail "$file is not installed"
  grep -qx "$file" "$work/installed" || fail "$file is not the package's"
done
[ -e /usr/bin/vexagrid-sim ] && grep -qx /usr/bin/vexagrid-sim "$work/installed" &&
  fail "vexagrid-sim was installed"
file -b /usr/share/vexagrid/vexagrid-help.pdf | grep -q '^PDF document' ||
  fail "the installed manual is no PDF"
man -l /usr/share/man/man1/vexagrid-cli.1.gz >/dev/null

step "Running the installed programs against a simulated module"
dosdevices="$work/dosdevices"
mkdir -p "$dosdevices"
"$build/bin/vexagrid-sim" --port COM3 --dosdevices "$dosdevices" --sample >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -e "$dosdevices/com3" ] && break
  sleep 0.1
done
[ -e "$dosdevices/com3" ] || fail "the simulated module did not start: $(cat "$work/sim.log")"
export VEXAGRID_DOSDEVICES="$dosdevices"
cd /

/usr/bin/vexagrid-cli --version
/usr/bin/vexagrid-cli identify --port COM3 | tee "$work/identify"
grep -q '^COM3: V_VEXAGRID-3' "$work/identify" || fail "vexagrid-cli did not identify the module"
/usr/bin/vexagrid-cli ports

# The defaults file: a module read out and checked from / is compared with the defaults,
# which the same lookup as the window's finds in /usr/share/vexagrid.
/usr/bin/vexagrid-cli read --port COM3 -o "$work/module.vgf" >/dev/null
strace -f -qq -e trace=openat -o "$work/cli.trace" /usr/bin/vexagrid-cli check "$work/module.vgf"
grep -v ENOENT "$work/cli.trace" | grep -q '"/usr/share/vexagrid/defval_vg.dll"' ||
  fail "vexagrid-cli did not read /usr/share/vexagrid/defval_vg.dll"

# The window: started from /; once it has loaded the module picture from /usr/share/vexagrid
# it has to run on, say nothing alarming, and is then stopped. Start-up under strace on a
# busy machine can take many seconds, so the check waits for the picture, not for a clock.
picture='"/usr/share/vexagrid/i_vg-3.dll"'
loaded() { grep -v ENOENT "$work/window.trace" 2>/dev/null | grep -q "$picture"; }
xvfb-run -a -s "-screen 0 1280x1024x24" \
  strace -f -qq -e trace=openat -o "$work/window.trace" \
  sh -c 'echo $$ >"$1"; exec /usr/bin/vexagrid' sh "$work/window.pid" >"$work/window.out" 2>&1 &
runner=$!
for _ in $(seq 1200); do
  loaded && break
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.1
done
sleep 2
window=$(cat "$work/window.pid" 2>/dev/null || true)
running=false
[ -n "$window" ] && kill -0 "$window" 2>/dev/null && running=true
[ -n "$window" ] && kill "$window" 2>/dev/null || true
wait "$runner" 2>/dev/null || true
cat "$work/window.out"
$running || fail "the window ended by itself instead of running on"
grep -v 'XDG_RUNTIME_DIR' "$work/window.out" | grep -qiE 'error|fail|cannot|could not' &&
  fail "the window reported a problem"
loaded || fail "the window did not load /usr/share/vexagrid/i_vg-3.dll"
cd "$root"
kill "$sim_pid" && wait "$sim_pid" 2>/dev/null || true
sim_pid=""

step "Removing"
$sudo apt-get remove --purge -y -qq vexagrid >/dev/null
dpkg -s vexagrid >/dev/null 2>&1 && fail "vexagrid is still installed"
left=0
while read -r path; do
  # Folders such as /usr/share/man stay for the other packages that use them.
  if [ -f "$path" ] || [ -L "$path" ]; then echo "left behind: $path"; left=1; fi
  if [ -d "$path" ] && [[ "$path" == */vexagrid ]]; then echo "left behind: $path"; left=1; fi
done <"$work/installed"
[ "$left" -eq 0 ] || fail "files of the package are left"

step "Package"
echo "file:    $deb"
echo "size:    $(stat -c %s "$deb") bytes"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
echo "time:    $(($(date +%s) - start)) s"
echo "check-package: all good"
