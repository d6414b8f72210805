#!/usr/bin/env bash
# What a Windows user installs: both programs, the Qt and MinGW runtime DLLs they load, the
# Qt plugins (the SQL drivers with libpq and OpenSSL among their DLLs), and the runtime
# files, laid out as one folder; that folder as a zip and as an NSIS installer (with a
# Start-menu shortcut and an uninstaller).
#
#   tools/windows/package.sh WINDOWS_BUILD_DIR QT_PREFIX OUT_DIR
#
# Makes OUT_DIR/vexagrid-VERSION/ (the folder), OUT_DIR/vexagrid-VERSION-windows.zip and
# OUT_DIR/vexagrid-VERSION-setup.exe.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(realpath "$1")
qt=$(realpath "$2")
out=$(realpath -m "$3")
objdump=x86_64-w64-mingw32-objdump

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
stage=$out/vexagrid-$version
rm -rf "$stage"
mkdir -p "$stage"

bin=$build/bin
for file in vexagrid.exe vexagrid-cli.exe defval_vg.dll i_vg-3.dll vexagrid-help.pdf; do
  [ -f "$bin/$file" ] || { echo "missing: $bin/$file" >&2; exit 1; }
  cp "$bin/$file" "$stage/"
done

# The Qt plugins the window program needs: the Windows platform, and the native style.
mkdir -p "$stage/platforms"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
if [ -d "$qt/plugins/styles" ]; then
  mkdir -p "$stage/styles"
  cp "$qt/plugins/styles/"*.dll "$stage/styles/"
fi
# The record's drivers: SQLite for this machine's file, PostgreSQL for a team's server. Qt
# loads them by name at run time, so nothing links them: they are named here.
mkdir -p "$stage/sqldrivers"
for file in qsqlite.dll qsqlpsql.dll; do
  [ -f "$qt/plugins/sqldrivers/$file" ] || { echo "missing: $qt/plugins/sqldrivers/$file" >&2; exit 1; }
  cp "$qt/plugins/sqldrivers/$file" "$stage/sqldrivers/"
done

# Every DLL these load, followed from DLL to DLL, from the Windows Qt (libpq and OpenSSL
# among its DLLs) and MinGW-w64; what is found in neither must be part of Windows, and wine,
# which carries Windows' own DLLs, knows its name.
windows_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
dll_dirs=("$qt/bin" "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
  /usr/x86_64-w64-mingw32/lib)
# Windows finds DLLs whatever the case of their names (libpq's import library names it
# LIBPQ.dll).
find_dll() {
  local dir found
  for dir in "${dll_dirs[@]}"; do
    found=$(find "$dir" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null)
    [ -n "$found" ] && { echo "$found"; return 0; }
  done
  return 1
}
queue=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/sqldrivers/*.dll)
[ -d "$stage/styles" ] && queue+=("$stage"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    [ -n "$(find "$stage" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
    if source=$(find_dll "$dll"); then
      cp "$source" "$stage/"
      queue+=("$stage/$(basename "$source")")
    elif [[ ${dll,,} == api-ms-win-* || ${dll,,} == ext-ms-win-* ]]; then
      continue # an API set: Windows' loader maps it to its own DLLs; no file is shipped
    elif [ -d "$windows_dlls" ] && [ ! -f "$windows_dlls/${dll,,}" ]; then
      echo "${file#"$stage"/} loads $dll, which is in neither Qt, MinGW-w64 nor Windows" >&2
      exit 1
    fi
  done < <($objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

# Without their symbols: a quarter of the size.
# (defval_vg.dll and i_vg-3.dll are the program's data files, not libraries.)
find "$stage" \( -name '*.dll' -o -name '*.exe' \) ! -name defval_vg.dll ! -name i_vg-3.dll |
  xargs x86_64-w64-mingw32-strip --strip-unneeded

# The zip: the folder as it is.
zip_file=$out/vexagrid-$version-windows.zip
rm -f "$zip_file"
(cd "$out" && zip -qr9 "$zip_file" "vexagrid-$version")

# The installer: the file lists are made from the folder, so the uninstaller removes
# exactly what the installer put there.
nsis_dir=$out/nsis
rm -rf "$nsis_dir"
mkdir -p "$nsis_dir"
(
  cd "$stage"
  for dir in . $(find . -mindepth 1 -type d | sort); do
    win_dir=${dir#.}
    win_dir=${win_dir#/}
    echo "SetOutPath \"\$INSTDIR${win_dir:+\\}${win_dir//\//\\}\""
    find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
      echo "File \"$stage/${file#./}\""
    done
  done
  echo "SetOutPath \"\$INSTDIR\""
) >"$nsis_dir/install-files.nsh"
(
  cd "$stage"
  find . -type f | sort | while read -r file; do
    name=${file#./}
    echo "Delete \"\$INSTDIR\\${name//\//\\}\""
  done
  find . -mindepth 1 -type d | sort -r | while read -r dir; do
    name=${dir#./}
    echo "RMDir \"\$INSTDIR\\${name//\//\\}\""
  done
) >"$nsis_dir/uninstall-files.nsh"

setup=$out/vexagrid-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DOUTFILE="$setup" -DFILES_DIR="$nsis_dir" \
  "$here/vexagrid.nsi"

echo "folder:    $stage ($(find "$stage" -type f | wc -l) files, $(du -sh "$stage" | cut -f1))"
echo "zip:       $zip_file ($(du -h "$zip_file" | cut -f1))"
echo "installer: $setup ($(du -h "$setup" | cut -f1))"
