#!/usr/bin/env bash
# Builds libx264 and libspeex for 64-bit Windows from Debian's source packages, as static libraries
# in PREFIX (default build-windows/deps). Sources come through a deb-src list kept in the build
# folder, so the system's own apt configuration is never changed. A stamp naming the source
# versions makes a second run a no-op.
set -euo pipefail
prefix=${1:-build-windows/deps}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
work="$prefix/.work"
stamp="$prefix/.stamp"
packages=(x264 speex)
host=x86_64-w64-mingw32
jobs=${JOBS:-2}

# deb-src entries for the Debian archives the machine already uses (deb822 and one-line styles).
write_source_list() {
  local out=$1
  : >"$out"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /URIs:[^\n]*debian/ && /Types:[^\n]*deb/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$out"
  done
  local lists=()
  [ -e /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do [ -e "$f" ] && lists+=("$f"); done
  if [ ${#lists[@]} -gt 0 ]; then
    grep -hE '^deb[[:space:]].*debian' "${lists[@]}" | sed 's/^deb /deb-src /' >"$out.list" || true
  fi
}

apt_opts() {
  echo -o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/parts" \
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" \
    -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root"
}

fetch_sources() {
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts"
  write_source_list "$work/apt/parts/windows-build.sources"
  [ -s "$work/apt/parts/windows-build.sources.list" ] &&
    mv "$work/apt/parts/windows-build.sources.list" "$work/apt/parts/windows-build.list"
  rm -f "$work/apt/parts/windows-build.sources.list"
  : >"$work/apt/sources.list"
  # shellcheck disable=SC2046
  apt-get $(apt_opts) update -qq
}

versions() {
  # shellcheck disable=SC2046
  for p in "${packages[@]}"; do apt-cache $(apt_opts) showsrc "$p" | awk '/^Version:/ { print $2; exit }'; done | tr '\n' ' '
}

fail() {
  tail -40 "$work/build.log" >&2
  exit 1
}

build_x264() {
  local src
  src=$(find "$work/src" -maxdepth 1 -type d -name 'x264-*' | head -1)
  (cd "$src" &&
    CC=$host-gcc-posix ./configure --host=$host --cross-prefix=$host- --prefix="$prefix" \
      --enable-static --disable-cli --disable-opencl --disable-avs --disable-swscale \
      --disable-lavf --disable-ffms --disable-gpac --disable-lsmash &&
    make -j"$jobs" && make install) >>"$work/build.log" 2>&1 || fail
}

build_speex() {
  local src
  src=$(find "$work/src" -maxdepth 1 -type d -name 'speex-*' | head -1)
  (cd "$src" &&
    { [ -x configure ] || autoreconf -fi; } &&
    CC=$host-gcc-posix ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
      --disable-binaries &&
    make -j"$jobs" && make install) >>"$work/build.log" 2>&1 || fail
}

# Built once per build folder: a warm run needs neither the network nor any time.
[ -f "$stamp" ] && [ -f "$prefix/lib/libx264.a" ] && [ -f "$prefix/lib/libspeex.a" ] && exit 0
fetch_sources
want=$(versions)
echo "building ${packages[*]} for Windows ($want) into $prefix"
rm -rf "$work/src" "$work/build.log"
mkdir -p "$work/src"
# shellcheck disable=SC2046
(cd "$work/src" && apt-get $(apt_opts) source -qq "${packages[@]}" >/dev/null)
build_x264
build_speex
rm -rf "$work/src"
echo "$want" >"$stamp"
