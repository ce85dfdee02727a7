#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would get it: the files it installs, the
# installed binary's --version and --check (with and without an X display), the autostart entry
# it writes, and lintian. Everything runs below one temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
make package BUILD_DIR="$build" >/dev/null
deb=$(ls "$build"/vantaro_*_amd64.deb)
work=$(mktemp -d)
xvfb=""
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "${KEEP_PACKAGE_CHECK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
failures=0
passed=0
check() {  # check <name> <command...>: one line per check, the run goes on after a failure
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "package check failed: $name"
    failures=$((failures + 1))
  fi
}

root=$work/root
dpkg -x "$deb" "$root"
expected="etc/ufw/applications.d/vantaro
usr/bin/vantaro-server
usr/lib/firewalld/services/vantaro.xml
usr/lib/systemd/user/vantaro-server.service
usr/share/applications/example.vantaro.server.desktop
usr/share/doc/vantaro/changelog.gz
usr/share/doc/vantaro/copyright
usr/share/icons/hicolor/128x128/apps/vantaro-server.png
usr/share/icons/hicolor/16x16/apps/vantaro-server.png
usr/share/icons/hicolor/24x24/apps/vantaro-server.png
usr/share/icons/hicolor/256x256/apps/vantaro-server.png
usr/share/icons/hicolor/32x32/apps/vantaro-server.png
usr/share/icons/hicolor/48x48/apps/vantaro-server.png
usr/share/icons/hicolor/64x64/apps/vantaro-server.png
usr/share/icons/hicolor/scalable/apps/vantaro-server.svg
usr/share/man/man1/vantaro-server.1.gz
usr/share/metainfo/example.vantaro.server.metainfo.xml"
actual=$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
check "file list" diff <(echo "$expected") <(echo "$actual")
check "the ufw profile is a conffile" \
  bash -c "dpkg-deb -I '$deb' conffiles | grep -qx /etc/ufw/applications.d/vantaro"
check "dependencies from the libraries" bash -c "dpkg-deb -f '$deb' Depends | grep -q libx264"
check "a PNG per size" bash -c "file '$root'/usr/share/icons/hicolor/*/apps/vantaro-server.png | grep -c 'PNG image' | grep -qx 7"

bin=$root/usr/bin/vantaro-server
version=$(dpkg-deb -f "$deb" Version)
check "--version" test "$("$bin" --version)" = "vantaro-server $version"

# A user with nothing set up yet, and no display.
run_check() {  # run_check <output file> [DISPLAY]: the installed --check in a fresh home
  local home=$work/home-$RANDOM
  mkdir -p "$home"
  set +e
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" LANG=C.UTF-8 \
    ${2:+DISPLAY=$2} "$bin" --check >"$1" 2>&1
  local rc=$?
  set -e
  echo "$rc"
}
rc=$(run_check "$work/check-nodisplay.txt")
check "--check without a display fails" test "$rc" = 1
check "--check names the missing display and its fix" \
  bash -c "grep -A1 -xF '[FAIL] X display: DISPLAY is not set' '$work/check-nodisplay.txt' |
           grep -q '^       fix: '"
check "--check has a line per item" \
  bash -c "grep -c '^\[' '$work/check-nodisplay.txt' | awk '\$1 >= 20 {ok=1} END {exit !ok}'"

# The same with an X display of our own.
Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -1 "$work/display")"
rc=$(run_check "$work/check-display.txt" "$display")
check "--check with a display exits 0 or 1" bash -c "[ '$rc' = 0 ] || [ '$rc' = 1 ]"
check "--check finds the display" grep -qxF "[ ok ] X display: $display" "$work/check-display.txt"
for extension in XTest MIT-SHM XFixes DAMAGE; do
  check "--check finds $extension" grep -qxF "[ ok ] $extension extension: present" \
    "$work/check-display.txt"
done
kill "$xvfb"
wait "$xvfb" 2>/dev/null || true
xvfb=""

# The autostart entry that the installed program writes runs the installed program.
home=$work/home-autostart
mkdir -p "$home/.config/TalvenServer"
printf '[TalvenServer_config]\nfirst_run=FALSE\nautologin=TRUE\nport=%d\n' $((20000 + RANDOM % 30000)) \
  >"$home/.config/TalvenServer/vantaro-server.ini"
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  "$bin" --headless --dry-run-power >"$work/server.out" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q '^status' "$work/server.out" && break; sleep 0.1; done
kill -TERM "$server"
wait "$server" || true
server=""
check "autostart entry runs the installed binary" \
  grep -qxF "Exec=$bin -ar" "$home/.config/autostart/TalvenServer_Win.desktop"

check "desktop entry" desktop-file-validate "$root/usr/share/applications/example.vantaro.server.desktop"
check "AppStream metainfo" appstreamcli validate --no-net --pedantic \
  "$root/usr/share/metainfo/example.vantaro.server.metainfo.xml" >/dev/null
# Errors fail the package; warnings and notes are shown.
check "lintian" lintian --fail-on error -I "$deb"

echo "package: $passed passed, $failures failed"
[ "$failures" -eq 0 ]
