#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is missing, builds the
# program, its tests and a sanitizer build, starts a virtual display when there is none,
# and runs everything through CTest. Ends with one line "tests: N passed, N failed".
set -uo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install.sh" || exit 1
. "$top/scripts/display.sh"
ensure_display || exit 1

logs=$(mktemp -d)
passed=0
failed=0
status=0

# ctest_run NAME BUILD-DIR CTEST-ARGS...: runs one CTest pass and adds up its counts.
ctest_run() {
  local name=$1 dir=$2
  shift 2
  echo "== $name"
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$logs/$name.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$logs/$name.log" | tail -1)
  if [ -n "$line" ]; then
    local bad all
    bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    all=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + all - bad))
    failed=$((failed + bad))
  elif [ $status -ne 0 ]; then
    failed=$((failed + 1))
  fi
}

build() { # build DIR CMAKE-ARGS...
  local dir=$1
  shift
  cmake -S "$top" -B "$dir" -G Ninja -DPython3_EXECUTABLE="$(command -v python3)" "$@" >/dev/null &&
    cmake --build "$dir"
}

echo "== build"
if build "$top/build"; then
  # Unit and backend tests in parallel; windows one at a time, since pointer and
  # keyboard tests need the display to themselves.
  ctest_run unit "$top/build" -L 'unit|backend|scripts' -j2
  ctest_run e2e "$top/build" -L e2e
else
  status=1
  failed=$((failed + 1))
fi

echo "== sanitizer build (clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
if CC=clang-14 CXX=clang++-14 build "$top/build-san" -DTARNWELL_SANITIZE=ON -DTARNWELL_FUZZ=ON; then
  ctest_run sanitizers "$top/build-san" -L 'unit|fuzz' -j2
else
  status=1
  failed=$((failed + 1))
fi

echo "== Windows build (mingw-w64) and its tests under Wine"
if build "$top/build-win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"; then
  # The screenshot is compared with the Linux build's; the prefix build-win/wineprefix
  # is made on the first run. The wineserver the tests keep alive is ended afterwards.
  export TARNWELL_LINUX_BIN="$top/build/tarnwell-setup"
  ctest_run wine "$top/build-win" -L wine
  WINEPREFIX="$top/build-win/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
else
  status=1
  failed=$((failed + 1))
fi

rm -rf "$logs"
echo "tests: $passed passed, $failed failed"
exit $status
