#!/usr/bin/env bash
# Checks the manual pages against the programs they describe: each page formats without a single
# groff warning, and every option a program's --help lists (and, for a program with verbs, every
# verb and every verb's option) has an entry of its own in the page, so a page cannot silently
# fall behind its program.
# Usage: man_pages_test.sh PAGE PROGRAM [PAGE PROGRAM ...]
set -uo pipefail

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
command -v groff >/dev/null || { echo "FAIL: groff is missing (scripts/install-deps)" >&2; exit 1; }

# The words of every entry's tag (the line after .TP) in plain text, one tag a line.
tags() {
  sed -n '/^\.TP/{n;p}' "$1" |
    sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/^\.[A-Z]+ //; s/"//g; s/,//g'
}

# The long options of one --help text, and the verbs it lists under Subcommands.
options_in() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
verbs_in() { sed -n '/^Subcommands:/,/^$/p' | sed -nE 's/^  ([a-z]+) .*/\1/p'; }

while [ $# -ge 2 ]; do
  page=$1 program=$2
  shift 2
  name=$(basename "$page")

  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1) || fail "$name: groff failed"
  [ -z "$warnings" ] || fail "$name: groff warns: $warnings"

  help=$("$program" --help) || { fail "$name: $program --help failed"; continue; }
  entries=$(tags "$page")
  for option in $(options_in <<<"$help"); do
    grep -qwF -- "$option" <<<"$entries" || fail "$name: no entry for $option"
  done
  for verb in $(verbs_in <<<"$help"); do
    cut -d' ' -f1 <<<"$entries" | grep -qxF "$verb" || fail "$name: no entry for the verb $verb"
    verb_help=$("$program" "$verb" --help) ||
      { fail "$name: $program $verb --help failed"; continue; }
    for option in $(options_in <<<"$verb_help"); do
      grep -qwF -- "$option" <<<"$entries" || fail "$name: no entry for $verb's $option"
    done
  done
done

if [ "$failures" -ne 0 ]; then
  echo "manual pages: $failures checks failed" >&2
  exit 1
fi
echo "manual pages: every page formats cleanly and names every option"
