#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded time. A crash, a
# sanitizer report or a timeout makes the script fail; the input that caused it is kept under
# build-fuzz/artifacts/.
#   FUZZ_SECONDS  time per target (default 60)
#   FUZZ_BUILD    build folder (default build-fuzz)
# fuzz/<stem>.dict and fuzz/<stem>.options hold a target's dictionary and extra flags.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}

bash scripts/install-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTARO_FUZZ=ON -DVANTARO_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j 2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/artifacts"
mkdir -p "$artifacts"

failed=0
shopt -s nullglob
targets=("$build"/*_fuzzer)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz target was built" >&2
  exit 1
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus="$work/$name"
  mkdir -p "$corpus"
  dict=()
  stem=${name%_fuzzer}
  [ -f "fuzz/$stem.dict" ] && dict=(-dict="fuzz/$stem.dict")
  # fuzz/<stem>.options: further libFuzzer flags of one target (such as -max_len).
  extra=()
  [ -f "fuzz/$stem.options" ] && read -r -a extra <"fuzz/$stem.options"
  echo "== $name for ${seconds}s"
  if ! "$target" "${dict[@]}" "${extra[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$name-" "$corpus" \
      >"$work/$name.log" 2>&1; then
    echo "run-fuzzers: $name failed; its input is in $artifacts" >&2
    tail -n 60 "$work/$name.log" >&2
    failed=1
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+ +DONE" "$work/$name.log" || true
  fi
done
exit $failed
