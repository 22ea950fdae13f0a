#!/usr/bin/env bash
# The man page of quillfen-synth: groff finds nothing to warn about, and man
# renders it with its name, synopsis and every option of the help text.
# Usage: man_page_test.sh QUILLFEN_SYNTH SOURCE_DIR
set -euo pipefail
synth=$1
page=$2/docs/man/quillfen-synth.1
warnings=$(groff -man -ww -z "$page" 2>&1)
if [[ -n $warnings ]]; then
  echo "FAIL: groff warns about $page:"
  echo "$warnings"
  exit 1
fi
text=$(MANWIDTH=100 man -l "$page" 2>/dev/null | col -b)
grep -q "quillfen-synth - write DCF77 and MSF receiver logs" <<<"$text" || { echo "FAIL: no NAME"; exit 1; }
for letter in $("$synth" -h | grep -o -- ' -[A-Za-z]' | tr -d ' -' | sort -u); do
  grep -q -- "^ *-$letter\b" <<<"$text" || { echo "FAIL: the page lacks -$letter"; exit 1; }
done
echo "man page of quillfen-synth renders with every option"
