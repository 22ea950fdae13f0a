#!/usr/bin/env bash
# Tests a man page of quillfen with the real tools: groff must read it without
# a warning, man must render it, and the page must document the command line
# that the program itself prints.
#
# Usage: docs/man/man_page_test.sh PAGE [PROGRAM]
#
#   PAGE     the roff source, for example docs/man/quillfen.1
#   PROGRAM  the built program the page describes; its -h text gives the
#            usage line that SYNOPSIS must show and the options that OPTIONS
#            must describe
#
# Prints one line per failed check and "N passed, N failed"; the exit status
# is 1 when a check failed.
set -uo pipefail

page=${1:?usage: man_page_test.sh PAGE [PROGRAM]}
program=${2:-}

# shellcheck source=tests/checks.bash
source "$(dirname "$0")/../../tests/checks.bash"

warnings=$(groff -man -ww -z "$page" 2>&1)
check "$page: groff -man -ww -z warns: $warnings" test -z "$warnings"

# Wide enough that no line of the page is broken.
rendered=$(MANWIDTH=200 MAN_KEEP_FORMATTING= man -l "$page" 2>&1 | col -bx)
check "$page: man -l does not render a NAME section" grep -q '^NAME$' <<<"$rendered"

# The lines of one section of the rendered page, headings excluded.
section() {
  sed -n "/^$1\$/,/^[A-Z]/p" <<<"$rendered" | sed '1d;$d'
}

if [[ -n $program ]]; then
  help=$("$program" -h)
  name=$(basename "$program")
  usage=$(sed -n "1s/^Usage: [^ ]*/$name/p" <<<"$help")
  synopsis=$(section SYNOPSIS | sed 's/^ *//')
  check "$page: SYNOPSIS lacks the usage line '$usage'" grep -qxF -- "$usage" <<<"$synopsis"
  options=$(section OPTIONS)
  for option in $(sed -n 's/^  \(-[^ ]\).*/\1/p' <<<"$help"); do
    check "$page: OPTIONS does not describe $option" grep -qE -- "^ {7}$option( |$)" <<<"$options"
  done
fi

checks_summary man_page
