# Sourced by install.sh: Debian source packages, fetched at a pinned version and, when
# Debian's pool no longer has that one, at the newest version of the same series that its
# index lists. Each function says on standard error which version it took.

# candidate_versions PACKAGE PINNED SERIES: the versions worth trying, one a line: the
# pinned one first, then those of the index whose upstream version matches the extended
# regular expression SERIES, newest first.
candidate_versions() {
  local package=$1 pinned=$2 series=$3
  echo "$pinned"
  apt-cache showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' |
    grep -E "^($series)" | grep -vxF "$pinned" | sort -u -V -r
}

# unpack_without_dsc WORK: a mirror that lists a version may still answer 404 for its .dsc
# while it serves the tarballs: the upstream tarball is unpacked into WORK/src and Debian's
# patches are applied to it in their series' order, as dpkg-source does for a "3.0 (quilt)"
# package.
unpack_without_dsc() {
  local work=$1 orig debian patch
  orig=$(ls "$work"/*.orig.tar.* 2>/dev/null | head -n 1)
  debian=$(ls "$work"/*.debian.tar.* 2>/dev/null | head -n 1)
  [ -n "$orig" ] || return 1
  mkdir -p "$work/src" && tar -xf "$orig" -C "$work/src" --strip-components=1 || return 1
  # Without Debian's part (a pool that lost it too) the upstream source serves as it is.
  [ -n "$debian" ] || return 0
  tar -xf "$debian" -C "$work/src" || return 1
  [ -f "$work/src/debian/patches/series" ] || return 0
  while read -r patch _; do
    case "$patch" in "" | "#"*) continue ;; esac
    patch -d "$work/src" -p1 -s <"$work/src/debian/patches/$patch" || return 1
  done <"$work/src/debian/patches/series"
}

# fetch_source PACKAGE PINNED SERIES DESTINATION: unpacks the first candidate that can be
# downloaded into DESTINATION and prints its version on standard output.
fetch_source() {
  local package=$1 pinned=$2 series=$3 dest=$4 work version
  ensure_sources
  for version in $(candidate_versions "$package" "$pinned" "$series"); do
    work=$(mktemp -d)
    if (cd "$work" && apt-get source -qq --download-only "$package=$version" >/dev/null 2>&1 &&
      dpkg-source -x ./*.dsc src >/dev/null 2>&1) || unpack_without_dsc "$work"; then
      rm -rf "$dest"
      mkdir -p "$(dirname "$dest")"
      mv "$work/src" "$dest"
      rm -rf "$work"
      if [ "$version" = "$pinned" ]; then
        echo "install: $package $version" >&2
      else
        echo "install: $package $pinned is gone from Debian's pool; took $version instead" >&2
      fi
      echo "$version"
      return 0
    fi
    rm -rf "$work"
  done
  echo "install: no version of $package ($pinned, or of the series $series) could be fetched" >&2
  return 1
}
