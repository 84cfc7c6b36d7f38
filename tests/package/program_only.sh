#!/usr/bin/env bash
# program_only.sh <source dir>: the configuration scripts/demo builds with
# (scripts/setup --program-only) makes the program and nothing else: no unit
# tests, benchmarks or tools are among the targets it builds.
set -euo pipefail

src=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ztprog.XXXXXX")
trap 'rm -rf "$work"' EXIT

ZT_BUILD_DIR="$work/build" "$src/scripts/setup" --program-only --configure-only >"$work/log" 2>&1 || {
  cat "$work/log"
  exit 1
}
# Every command the program's build runs compiles the program's sources
# and links its libraries and itself.
commands=$(ninja -C "$work/build" -t commands ztmigrate)
grep -q -- '-o ztmigrate' <<<"$commands" || { echo "the program is not linked"; exit 1; }
if grep -E '(tests|bench|tools|fuzz)/' <<<"$commands"; then
  echo "the program-only build compiles more than the program"
  exit 1
fi
# And the build directory knows no test, benchmark or tool target at all.
if ninja -C "$work/build" -t targets all | grep -E '^(tests/|bench/|tools/)|_tests:|_bench:|gen_checkpoint:'; then
  echo "test, benchmark or tool targets are configured"
  exit 1
fi
