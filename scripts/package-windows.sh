#!/usr/bin/env bash
# Lays out a runnable Windows folder of Tarnwell's setup: tarnwell-setup.exe with the
# DLLs it needs, Thai's word-break dictionary, the icon and fonts, the backend package and
# setup.bat, which starts the program the way setup.sh does on Linux.
#   scripts/package-windows.sh [BUILD-DIR [OUT-DIR]]   (default build-win, BUILD-DIR/dist)
# The build directory is a Windows build (cmake/mingw-w64-x86_64.cmake); the folder
# OUT-DIR is made anew.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-win}
out=${2:-$build/dist}
exe="$build/tarnwell-setup.exe"
mingw=x86_64-w64-mingw32
[ -f "$exe" ] || { echo "package-windows: $exe is missing: build the Windows program first" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out/assets" "$out/runtime/ui/fonts" "$out/setup"
cp "$exe" "$out/"
cp "$top/setup.bat" "$out/"
cp "$top/assets/icon.png" "$out/assets/"
cp "$top/runtime/ui/fonts/Roboto-Medium.ttf" "$out/runtime/ui/fonts/"
cp "$top"/setup/*.py "$out/setup/"
# The catalogs: the program reads locale/<code>.po, the backend the compiled .mo files and
# the table of languages.
mkdir -p "$out/locale"
cp "$top/locale/languages.tsv" "$out/locale/"
for po in "$top"/locale/*.po; do
  code=$(basename "$po" .po)
  cp "$po" "$out/locale/"
  mkdir -p "$out/locale/$code/LC_MESSAGES"
  msgfmt --check -o "$out/locale/$code/LC_MESSAGES/tarnwell.mo" "$po"
done

# The DLLs the program needs, and the ones those need (libthai's libdatrie), from the build
# folder, the Windows libraries of scripts/install.sh or the cross compiler's runtime; the
# system's own DLLs stay where they are.
search=("$build" "$top/third_party/win64/bin" "/usr/lib/gcc/$mingw/"*-posix "/usr/$mingw/lib" "/usr/$mingw/bin")
pending=("$exe")
while [ ${#pending[@]} -gt 0 ]; do
  file=${pending[0]}
  pending=("${pending[@]:1}")
  for dll in $($mingw-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
    [ -f "$out/$dll" ] && continue
    for dir in "${search[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$out/"
        pending+=("$out/$dll")
        break
      fi
    done
  done
done
[ -f "$out/SDL3.dll" ] || { echo "package-windows: SDL3.dll not found" >&2; exit 1; }
# Thai's word-break dictionary, which libthai reads beside the program.
[ -f "$build/thbrk.tri" ] || { echo "package-windows: $build/thbrk.tri not found" >&2; exit 1; }
cp "$build/thbrk.tri" "$out/"
# The licences of the libraries in the folder or compiled into the program.
third="$top/third_party"
mkdir -p "$out/licenses"
for file in sdl3/LICENSE.txt imgui/LICENSE.txt fribidi/COPYING freetype/docs/FTL.TXT harfbuzz/COPYING \
  libdatrie/COPYING libthai/COPYING libunibreak/LICENCE; do
  cp "$third/$file" "$out/licenses/${file%%/*}.txt"
done
echo "package-windows: $out"
