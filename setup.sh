#!/usr/bin/env bash
# Tarnwell's setup: opens the setup window, which runs the backend `python3 -m setup`
# from this folder. In a source checkout it first installs and builds what is missing.
# Further arguments are passed on to tarnwell-setup (for example --game and --dest).
set -euo pipefail

root=$(cd "$(dirname "$0")" && pwd)
python=$(command -v python3 || true)
if [ -z "$python" ]; then
  echo "setup.sh: python3 is needed to run Tarnwell's setup" >&2
  exit 1
fi

bin="$root/tarnwell-setup"  # a laid-out product folder has the program beside this script
if [ ! -x "$bin" ] && [ -f "$root/CMakeLists.txt" ]; then
  "$root/scripts/install.sh"
  bin="$root/build/tarnwell-setup"
  [ -f "$root/build/build.ninja" ] ||
    cmake -S "$root" -B "$root/build" -G Ninja -DPython3_EXECUTABLE="$python" >/dev/null
  cmake --build "$root/build" --target tarnwell-setup >/dev/null
fi

# The backend package `setup` is found from the working folder, so run from here; paths
# the caller gave relative to its own folder are made absolute first.
args=()
while [ $# -gt 0 ]; do
  args+=("$1")
  if [ $# -gt 1 ] && { [ "$1" = --game ] || [ "$1" = --dest ] || [ "$1" = --shot ]; }; then
    case $2 in /*) args+=("$2") ;; *) args+=("$PWD/$2") ;; esac
    shift
  fi
  shift
done
cd "$root"
exec "$bin" --root "$root" --python "$python" "${args[@]}"
