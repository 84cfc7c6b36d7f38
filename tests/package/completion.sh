#!/usr/bin/env bash
# completion.sh <completion file>: the bash completion offers the policies
# after -p, the options after a dash and only .json/.csv files after --report.
set -euo pipefail

source "$1"
work=$(mktemp -d "${TMPDIR:-/tmp}/ztcomp.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
touch a.json b.csv c.txt

complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _ztmigrate
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}

check() {
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  if [[ $got != "$want" ]]; then
    echo "completing '$*': got '$got', want '$want'"
    exit 1
  fi
}

check 'lower ' ztmigrate -p l
check 'head lower mixed upper ' ztmigrate -p ''
check '--report ' ztmigrate --rep
check '--undo --undo-log ' ztmigrate --un
check 'a.json b.csv c.txt ' ztmigrate --undo ''
check '2 ' ztmigrate --threads 2
check '-q ' ztmigrate -q
check 'a.json b.csv ' ztmigrate --report ''
check 'a.json b.csv c.txt ' ztmigrate -c ''
echo ok
