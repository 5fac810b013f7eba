#!/usr/bin/env bash
# Installs everything Tarnwell Setup needs to build, run and test on Debian 12.
# Idempotent: a second run only checks and finishes in seconds.
# Run as root or through sudo (it calls sudo itself when it is not root).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

# The versions built and tested here; when Debian's pool has moved on, the newest of the
# same series takes their place (see scripts/sources.sh).
SDL_VERSION=3.2.10+ds-1
SDL_SERIES='3\.2\.|3\.4\.'
IMGUI_VERSION=1.92.2b+ds-1
IMGUI_SERIES='1\.92\.'
FRIBIDI_VERSION=1.0.16-1
FRIBIDI_SERIES='1\.0\.'
# Unicode line and grapheme breaking (Debian 12's libunibreak 1.1 predates grapheme
# clusters), compiled into the program from trixie's source.
UNIBREAK_VERSION=6.1-3
UNIBREAK_SERIES='6\.'
# The Windows program's shaping, font loader and Thai word breaks (Linux takes Debian 12's).
FREETYPE_VERSION=2.13.3+dfsg-1+deb13u2
FREETYPE_SERIES='2\.13\.|2\.14\.'
HARFBUZZ_VERSION=10.2.0-1+deb13u1
HARFBUZZ_SERIES='10\.|11\.|12\.'
DATRIE_VERSION=0.2.13-3
DATRIE_SERIES='0\.2\.'
THAI_VERSION=0.1.29-2
THAI_SERIES='0\.1\.'

PACKAGES=(
  # toolchain and test frameworks
  cmake ninja-build pkg-config g++ make dpkg-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  # what SDL3 needs for its video, input and dialog code
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxfixes-dev libxi-dev libxss-dev
  libxtst-dev libxkbcommon-dev libwayland-dev wayland-protocols libdecor-0-dev libegl-dev
  libgl-dev libgles-dev libdrm-dev libgbm-dev libudev-dev libdbus-1-dev libgl1-mesa-dri
  # PNG reading and writing, the text font, the monospaced fallback
  libstb-dev fonts-roboto-unhinted fonts-dejavu-core
  # fallback fonts and right-to-left text; the fonts the tests draw other scripts with
  # (Chinese, Japanese, Korean; Arabic and Hebrew; Thai; symbols and emoji in black)
  libfontconfig-dev libfribidi-dev fonts-wqy-microhei fonts-thai-tlwg-ttf fonts-symbola
  # shaping, the font loader and Thai word breaks; hb-shape checks the shaping in the tests;
  # a Devanagari face for the tests of conjuncts
  libharfbuzz-dev libharfbuzz-bin libfreetype-dev libthai-dev libthai-data fonts-lohit-deva
  # a display for tests and screenshots, and a person's tools on it
  xvfb xauth xdotool xclip x11-utils
  # the file dialogs where no desktop portal answers (SDL runs zenity)
  zenity
  # screen readers: ATK and its AT-SPI bridge; the accessibility bus and pyatspi for the tests
  libatk1.0-dev libatk-bridge2.0-dev at-spi2-core dbus python3-pyatspi gir1.2-atspi-2.0 python3-dbus
  # Orca itself for the tests that listen to what it says, speaking through speech-dispatcher
  orca speech-dispatcher
  python3
  # msgfmt compiles the stand-in's catalogs
  gettext
)

# install_missing WHAT PACKAGE...: installs those of the packages that are not yet there.
install_missing() {
  local what=$1 missing=() p
  shift
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "install: $what: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
install_missing "Debian packages" "${PACKAGES[@]}"

# Debian's own source packages (SDL3 from trixie, Dear ImGui from sid) come through a
# deb-src entry of our own; debian.sources stays untouched.
SRC_LIST=/etc/apt/sources.list.d/tarnwell-src.sources
sources_ready=0
ensure_sources() {
  [ $sources_ready -eq 1 ] && return
  if [ ! -f "$SRC_LIST" ]; then
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=http://deb.debian.org/debian
    printf 'Types: deb-src\nURIs: %s\nSuites: trixie sid\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uri" | $SUDO tee "$SRC_LIST" >/dev/null
  fi
  $SUDO apt-get update -qq
  sources_ready=1
}

. "$top/scripts/sources.sh"

third="$top/third_party"

# The SDL3 source already unpacked here, if any: its Debian version.
sdl_source_version() {
  dpkg-parsechangelog -l "$third/sdl3/debian/changelog" -S Version 2>/dev/null || true
}
sdl_source() {
  [ -f "$third/sdl3/CMakeLists.txt" ] && [ -n "$(sdl_source_version)" ] ||
    fetch_source libsdl3 "$SDL_VERSION" "$SDL_SERIES" "$third/sdl3" >/dev/null
}

if ! pkg-config --exists 'sdl3 >= 3.2'; then
  sdl_source
  echo "install: building SDL3 $(sdl_source_version)"
  cmake -S "$third/sdl3" -B "$third/build/sdl3" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DSDL_TESTS=OFF -DSDL_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX=/usr/local >/dev/null
  cmake --build "$third/build/sdl3" >"$third/build/sdl3.log" || { tail -40 "$third/build/sdl3.log"; exit 1; }
  $SUDO cmake --install "$third/build/sdl3" >/dev/null
  $SUDO ldconfig
fi

if [ ! -f "$third/imgui/imgui.h" ]; then
  fetch_source imgui "$IMGUI_VERSION" "$IMGUI_SERIES" "$third/imgui" >/dev/null
fi

if [ ! -f "$third/libunibreak/src/linebreak.c" ]; then
  fetch_source libunibreak "$UNIBREAK_VERSION" "$UNIBREAK_SERIES" "$third/libunibreak" >/dev/null
fi

# The Windows program: Debian's mingw-w64 cross compilers (posix threads), Wine to run
# and test it, and SDL3 built for Windows from the same source package into
# third_party/win64. Repacked by Debian without the prebuilt Direct3D shaders, it is
# configured without the Direct3D renderers and the GPU API: OpenGL and the software
# renderer serve.
install_missing "Debian packages for the Windows build" g++-mingw-w64-x86-64-posix wine64 wine

win64="$third/win64"
if [ ! -f "$win64/.sdl3-version" ]; then
  sdl_source
  echo "install: building SDL3 $(sdl_source_version) for Windows"
  rm -rf "$third/build/sdl3-win64" "$win64"
  cmake -S "$third/sdl3" -B "$third/build/sdl3-win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$win64" \
    -DSDL_RENDER_D3D=OFF -DSDL_RENDER_D3D11=OFF -DSDL_RENDER_D3D12=OFF -DSDL_GPU=OFF \
    -DSDL_TESTS=OFF -DSDL_EXAMPLES=OFF >/dev/null
  cmake --build "$third/build/sdl3-win64" >"$third/build/sdl3-win64.log" ||
    { tail -40 "$third/build/sdl3-win64.log"; exit 1; }
  cmake --install "$third/build/sdl3-win64" >/dev/null
  sdl_source_version >"$win64/.sdl3-version"
fi

# FriBidi for Windows from Debian's source package, as a DLL beside the program (LGPL).
if [ ! -f "$win64/.fribidi-version" ]; then
  version=$(fetch_source fribidi "$FRIBIDI_VERSION" "$FRIBIDI_SERIES" "$third/fribidi")
  echo "install: building FriBidi $version for Windows"
  mkdir -p "$third/build"
  (cd "$third/fribidi" && ./configure --host=x86_64-w64-mingw32 --prefix="$win64" --disable-static \
    --enable-shared --disable-docs >"$third/build/fribidi-win64.log" 2>&1 &&
    make -C lib -j2 install >>"$third/build/fribidi-win64.log" 2>&1) ||
    { tail -40 "$third/build/fribidi-win64.log"; exit 1; }
  echo "$version" >"$win64/.fribidi-version"
fi

# FreeType and HarfBuzz for Windows from Debian's source packages, linked into the program
# (their licences allow it). FreeType reads TrueType, OpenType and colour (COLR) glyphs on its
# own: no PNG, bzip2, Brotli or HarfBuzz beside it. HarfBuzz is its one translation unit,
# with no FreeType, GLib or ICU: the program shapes faces made from font blobs with
# HarfBuzz's own OpenType functions.
mingw=x86_64-w64-mingw32
if [ ! -f "$win64/.freetype-version" ]; then
  version=$(fetch_source freetype "$FREETYPE_VERSION" "$FREETYPE_SERIES" "$third/freetype")
  echo "install: building FreeType $version for Windows"
  rm -rf "$third/build/freetype-win64"
  (cmake -S "$third/freetype" -B "$third/build/freetype-win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$win64" \
    -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON &&
    cmake --build "$third/build/freetype-win64" && cmake --install "$third/build/freetype-win64") \
    >"$third/build/freetype-win64.log" 2>&1 || { tail -40 "$third/build/freetype-win64.log"; exit 1; }
  echo "$version" >"$win64/.freetype-version"
fi

if [ ! -f "$win64/.harfbuzz-version" ]; then
  version=$(fetch_source harfbuzz "$HARFBUZZ_VERSION" "$HARFBUZZ_SERIES" "$third/harfbuzz")
  echo "install: building HarfBuzz $version for Windows"
  rm -rf "$third/build/harfbuzz-win64" "$win64/include/harfbuzz" "$win64/lib/libharfbuzz.a"
  mkdir -p "$third/build/harfbuzz-win64" "$win64/include/harfbuzz" "$win64/lib"
  ($mingw-g++-posix -std=c++11 -O2 -DNDEBUG -fno-exceptions -fno-rtti -fno-threadsafe-statics \
    -c "$third/harfbuzz/src/harfbuzz.cc" -o "$third/build/harfbuzz-win64/harfbuzz.o" &&
    $mingw-ar rcs "$win64/lib/libharfbuzz.a" "$third/build/harfbuzz-win64/harfbuzz.o") \
    >"$third/build/harfbuzz-win64.log" 2>&1 || { tail -40 "$third/build/harfbuzz-win64.log"; exit 1; }
  # The public headers but those of the integrations left out, so that a call into one
  # fails when compiling rather than when linking.
  for header in "$third/harfbuzz/src"/hb*.h; do
    case $(basename "$header") in
      hb-cairo.h | hb-coretext.h | hb-directwrite.h | hb-ft.h | hb-gdi.h | hb-glib.h | hb-gobject*.h | \
        hb-graphite2.h | hb-icu.h | hb-subset*.h | hb-uniscribe.h | hb-wasm-api.h) ;;
      *) cp "$header" "$win64/include/harfbuzz/" ;;
    esac
  done
  echo "$version" >"$win64/.harfbuzz-version"
fi

# libdatrie and libthai (Thai word breaks) for Windows as DLLs beside the program (LGPL).
# libdatrie's library needs no iconv nor locale charset (only its tools do, which are not
# built). Thai's dictionary is the one of Debian's libthai-data, shipped beside the program,
# which names it to libthai; the folder libthai looks in when given none is "*", a name
# Windows cannot hold, rather than a folder of this machine.
if [ ! -f "$win64/.datrie-version" ]; then
  version=$(fetch_source libdatrie "$DATRIE_VERSION" "$DATRIE_SERIES" "$third/libdatrie")
  echo "install: building libdatrie $version for Windows"
  (cd "$third/libdatrie" && ./configure --host=$mingw --prefix="$win64" --disable-static \
    --enable-shared --disable-doxygen-doc ac_cv_func_iconv_open=yes \
    datrie_cv_langinfo_codeset=yes >"$third/build/datrie-win64.log" 2>&1 &&
    make -C datrie -j2 install >>"$third/build/datrie-win64.log" 2>&1) ||
    { tail -40 "$third/build/datrie-win64.log"; exit 1; }
  echo "$version" >"$win64/.datrie-version"
fi
if [ ! -f "$win64/.thai-version" ]; then
  version=$(fetch_source libthai "$THAI_VERSION" "$THAI_SERIES" "$third/libthai")
  echo "install: building libthai $version for Windows"
  (cd "$third/libthai" && ./configure --host=$mingw --prefix="$win64" --disable-static --enable-shared \
    --disable-dict --disable-doxygen-doc DATRIE_CFLAGS="-I$win64/include" DATRIE_LIBS="-L$win64/lib -ldatrie" \
    >"$third/build/thai-win64.log" 2>&1 &&
    make -C src -j2 install dictdatadir='*' >>"$third/build/thai-win64.log" 2>&1 &&
    make -C include install >>"$third/build/thai-win64.log" 2>&1) ||
    { tail -40 "$third/build/thai-win64.log"; exit 1; }
  mkdir -p "$win64/share/libthai"
  cp /usr/share/libthai/thbrk.tri "$win64/share/libthai/"
  echo "$version" >"$win64/.thai-version"
fi

font="$top/runtime/ui/fonts/Roboto-Medium.ttf"
if [ ! -f "$font" ]; then
  mkdir -p "$(dirname "$font")"
  cp /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Medium.ttf "$font"
fi
echo "install: ready"
