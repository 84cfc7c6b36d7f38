#!/usr/bin/env bash
# Runs one golden command-line case: run_case.sh <ztmigrate binary> <case dir>
# The case format is described in README.md beside this script.
set -u

bin=$1
case_dir=$2
name=$(basename "$case_dir")

if [[ ! -x $bin ]]; then
  echo "$name: binary $bin not found" >&2
  exit 2
fi
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
case_dir=$(cd "$case_dir" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/ztgolden.XXXXXX")
trap 'rm -rf "$work"' EXIT
export CASE_DIR=$case_dir
export ZTMIGRATE=$bin

fail=0
complain() {
  echo "$name: $*" >&2
  fail=1
}

cd "$work" || exit 2
if [[ -f $case_dir/setup.sh ]]; then
  if ! bash "$case_dir/setup.sh"; then
    echo "$name: setup.sh failed" >&2
    exit 1
  fi
fi

args=()
if [[ -f $case_dir/args ]]; then
  while IFS= read -r line || [[ -n $line ]]; do
    args+=("$line")
  done <"$case_dir/args"
fi

stdin_file=/dev/null
[[ -f $case_dir/stdin ]] && stdin_file=$case_dir/stdin

# env: NAME=VALUE lines for the binary's environment; $NAME in a value is
# expanded (ZT_FAULT_SHIM names the fault injector, ZT_GEN_CHECKPOINT the
# checkpoint generator) and @WORK@ stands for the temporary directory.
envs=()
if [[ -f $case_dir/env ]]; then
  while IFS= read -r line || [[ -n $line ]]; do
    [[ -z $line ]] && continue
    line=${line//@WORK@/$work}
    envs+=("$(eval "printf '%s' \"$line\"")")
  done <"$case_dir/env"
fi

mkdir -p "$work/.golden"
if [[ -f $case_dir/run.sh ]]; then
  # The case drives the binary itself (signals, concurrent runs): run.sh
  # gets the arguments and its streams are the ones compared.
  env "${envs[@]}" bash "$case_dir/run.sh" "${args[@]}" <"$stdin_file" \
    >"$work/.golden/stdout" 2>"$work/.golden/stderr"
else
  env "${envs[@]}" "$bin" "${args[@]}" <"$stdin_file" >"$work/.golden/stdout" 2>"$work/.golden/stderr"
fi
status=$?

expected_status=0
[[ -f $case_dir/status ]] && expected_status=$(tr -d ' \n' <"$case_dir/status")
if [[ $status != "$expected_status" ]]; then
  complain "exit status $status, expected $expected_status"
fi

for stream in stdout stderr; do
  actual=$work/.golden/$stream
  if [[ -f $case_dir/$stream ]]; then
    if ! cmp -s "$case_dir/$stream" "$actual"; then
      complain "$stream differs from the expected text:"
      diff -u "$case_dir/$stream" "$actual" | head -40 >&2
    fi
  fi
  if [[ -f $case_dir/$stream.contains ]]; then
    while IFS= read -r want || [[ -n $want ]]; do
      [[ -z $want ]] && continue
      if ! grep -qF -- "$want" "$actual"; then
        complain "$stream lacks the line: $want"
      fi
    done <"$case_dir/$stream.contains"
  fi
  if [[ -f $case_dir/$stream.lacks ]]; then
    while IFS= read -r unwanted || [[ -n $unwanted ]]; do
      [[ -z $unwanted ]] && continue
      if grep -qF -- "$unwanted" "$actual"; then
        complain "$stream holds the unwanted line: $unwanted"
      fi
    done <"$case_dir/$stream.lacks"
  fi
done

if [[ -f $case_dir/after.sh ]]; then
  if ! bash "$case_dir/after.sh"; then
    complain "after.sh failed"
  fi
fi

if [[ $fail != 0 ]]; then
  echo "--- stdout ---" >&2
  head -c 4000 "$work/.golden/stdout" >&2
  echo "--- stderr ---" >&2
  head -c 4000 "$work/.golden/stderr" >&2
fi
exit $fail
