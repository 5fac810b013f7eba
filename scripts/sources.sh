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

# fetch_source PACKAGE PINNED SERIES DESTINATION: unpacks the first candidate that can be
# downloaded into DESTINATION and prints its version on standard output.
fetch_source() {
  local package=$1 pinned=$2 series=$3 dest=$4 work version
  ensure_sources
  for version in $(candidate_versions "$package" "$pinned" "$series"); do
    work=$(mktemp -d)
    if (cd "$work" && apt-get source -qq --download-only "$package=$version" >/dev/null 2>&1 &&
      dpkg-source -x ./*.dsc src >/dev/null 2>&1); then
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
