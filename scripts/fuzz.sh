#!/usr/bin/env bash
# Builds the fuzz targets under fuzz/ with clang, AddressSanitizer and UBSan in their own build
# folder and runs each one for SECONDS (default 60) from its corpus. Prints one line per target
# and exits non-zero when a target crashed, hung or ran out of memory; the input that did it is
# kept under tests/data/fuzz/<target>/, where the target's replay test reads it from then on.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
#   VELTRA_FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   VELTRA_FUZZ_JOBS       parallel compile jobs (default: number of cores)
#   VELTRA_FUZZ_PARALLEL   targets run at once (default 1); lines come in the order they end
# The seeds are fuzz/corpus/<target>/ and the kept inputs in tests/data/fuzz/<target>/; both are
# copied into <build>/corpus/<target>/, which grows from run to run while the repository's
# corpus stays as checked in.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]  (SECONDS: a whole number of seconds)" >&2
  exit 2
fi
shift $(($# > 0 ? 1 : 0))

build=${VELTRA_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${VELTRA_FUZZ_JOBS:-$(nproc)}
parallel=${VELTRA_FUZZ_PARALLEL:-1}
if ! [[ $parallel =~ ^[0-9]+$ ]] || [ "$parallel" -lt 1 ]; then
  echo "VELTRA_FUZZ_PARALLEL must be a whole number of targets, 1 or more" >&2
  exit 2
fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in fuzz/fuzz_*.cpp; do
    name=${src#fuzz/fuzz_}
    targets+=("${name%.cpp}")
  done
fi
for t in "${targets[@]}"; do
  if [ ! -f "fuzz/fuzz_$t.cpp" ]; then
    echo "no fuzz target '$t' (fuzz/fuzz_$t.cpp)" >&2
    exit 2
  fi
done

for tool in clang clang++; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (apt install clang)" >&2; exit 2; }
done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Configured every run, so targets added under fuzz/ since the last one are found.
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
mkdir -p "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELTRA_FUZZ=ON -DVELTRA_TESTS=OFF -DVELTRA_BENCH=OFF "${launcher[@]}" >"$build/configure.log" 2>&1 || {
  tail -n 20 "$build/configure.log" >&2
  echo "configuring $build failed" >&2
  exit 2
}
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t"); done
cmake --build "$build" --parallel "$jobs" --target "${build_targets[@]}" >"$build/fuzz-build.log" 2>&1 || {
  tail -n 30 "$build/fuzz-build.log" >&2
  echo "building the fuzz targets failed (log: $build/fuzz-build.log)" >&2
  exit 2
}

# A leak or a sanitizer report ends the run like a crash does.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# Runs one target and prints its line; its crash count goes to <build>/.fuzz-crashes-<target>.
run_target() {
  local t=$1 exe corpus artifacts log marker status runs new crashes seeds input
  exe=$(find "$build/fuzz" -maxdepth 2 -type f -name "fuzz_$t" -perm -u+x | head -n 1)
  corpus=$build/corpus/$t
  artifacts=$build/artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  for seeds in "fuzz/corpus/$t" "tests/data/fuzz/$t"; do
    [ -d "$seeds" ] && find "$seeds" -maxdepth 1 -type f -exec cp -n {} "$corpus/" \;
  done
  # A unit slower than 10 s is reported (slow-unit-*) but is no fault: a busy machine makes them.
  local args=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/")
  [ -f "fuzz/$t.dict" ] && args+=(-dict="fuzz/$t.dict")
  log=$build/fuzz-$t.log
  marker=$build/.fuzz-start-$t
  touch "$marker"
  status=0
  "$exe" "${args[@]}" "$corpus" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  new=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -n 1)
  crashes=0
  while IFS= read -r input; do
    [ -n "$input" ] || continue
    crashes=$((crashes + 1))
    mkdir -p "tests/data/fuzz/$t"
    cp "$input" "tests/data/fuzz/$t/"
    echo "  kept tests/data/fuzz/$t/$(basename "$input")" >&2
  done < <(find "$artifacts" -type f -newer "$marker" ! -name 'slow-unit-*')
  # A target that died without leaving an input (a build or start-up fault) counts too.
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
    crashes=1
    echo "  fuzz_$t exited with status $status and kept no input; see $log" >&2
  fi
  echo "$crashes" >"$build/.fuzz-crashes-$t"
  printf '%-18s %10s %8s %8s\n' "$t" "${runs:-?}" "${new:-?}" "$crashes"
}

# Up to PARALLEL targets at once; each line is printed when its target ends.
printf '%-18s %10s %8s %8s\n' target runs new crashes
for t in "${targets[@]}"; do
  rm -f "$build/.fuzz-crashes-$t"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_target "$t" &
done
wait
failed=0
for t in "${targets[@]}"; do
  [ "$(cat "$build/.fuzz-crashes-$t" 2>/dev/null || echo 1)" = 0 ] || failed=1
done
exit $failed
