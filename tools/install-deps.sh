#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when any is
# missing. --fuzz adds the fuzzing tool chain, --package what tools/check-package.sh needs. Needs root (or sudo) only when something has to be installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev
  libqt6sql6-sqlite        # the record: Qt SQL's SQLite driver, and its PostgreSQL one
  libqt6sql6-psql          # for a team's record
  postgresql               # a throwaway server for the team record's tests
  postgresql-client        # (tools/throwaway-postgres.sh), and openssl for its certificate
  openssl
  fonts-dejavu-core        # text in the off-screen tests and in the drawn pictures
  xvfb xauth               # a display for headless runs of the program
  poppler-utils            # pdftotext: the tests read the configuration sheet back
)
case "${1:-}" in
--fuzz) packages+=(clang libclang-rt-14-dev) ;;
# tools/check-package.sh: building the .deb, its validators, and watching the installed
# program find its files.
--package) packages+=(lintian desktop-file-utils appstream dpkg-dev fakeroot file strace) ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
