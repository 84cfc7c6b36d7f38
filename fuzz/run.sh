#!/usr/bin/env bash
# Runs one libFuzzer harness for a given time:
#
#   fuzz/run.sh HARNESS SECONDS [extra libFuzzer flags...]
#
# HARNESS is one of the *_fuzzer.cc names without the suffix (journal, gzip,
# translation_map, map_join, options, fold) or "all" (each in turn,
# SECONDS apiece). Builds the harnesses with clang into $ZT_FUZZ_BUILD
# (default build-fuzz; CI points it at the sanitizer build, which has them),
# installing clang and its fuzzer runtime when they are missing. The committed seeds in fuzz/corpus/<harness> are
# copied into a working corpus under the build directory, which grows there;
# crashes land in <build>/artifacts/<harness>/ and make the script fail.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if (($# < 2)); then
  echo "usage: fuzz/run.sh HARNESS SECONDS [libFuzzer flags...]" >&2
  exit 2
fi
harness=$1
seconds=$2
shift 2
build=${ZT_FUZZ_BUILD:-$root/build-fuzz}
jobs=${ZT_JOBS:-$(nproc 2>/dev/null || echo 2)}

# clang and the libFuzzer runtime, with the rest of the build's packages.
"$root/scripts/setup" --deps-only --sanitizers

all=(journal gzip translation_map map_join options fold)
if [[ $harness == all ]]; then
  targets=("${all[@]}")
else
  targets=("$harness")
fi

if [[ ! -f $build/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DZT_FUZZ=ON \
    -DZT_BUILD_TESTS=OFF -DZT_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# ZT_FUZZ_PREBUILT=1: the harnesses are built already (several of these
# scripts run at once on one build, which must not run ninja together).
if [[ ${ZT_FUZZ_PREBUILT:-0} != 1 ]]; then
  ninja -C "$build" -j "$jobs" "${targets[@]/%/_fuzzer}" >/dev/null
fi

status=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  artifacts=$build/artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  if [[ -d $root/fuzz/corpus/$t ]]; then
    cp -n "$root/fuzz/corpus/$t"/* "$corpus"/ 2>/dev/null || true
  fi
  dict=()
  [[ -f $root/fuzz/$t.dict ]] && dict=(-dict="$root/fuzz/$t.dict")
  log=$build/$t.log
  # Reports of malformed input go to standard output, which is discarded.
  if ! "$build/fuzz/${t}_fuzzer" "$corpus" "${dict[@]}" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -timeout=30 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$@" >/dev/null 2>"$log"; then
    status=1
    echo "$t: FAILED (see $log, artifacts in $artifacts)"
    grep -m5 -E 'ERROR|SUMMARY|check failed' "$log" || tail -5 "$log"
  else
    runs=$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
    echo "$t: ok, $runs runs in ${seconds}s, $cov"
  fi
done
exit "$status"
