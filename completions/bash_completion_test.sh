#!/usr/bin/env bash
# Tests the bash completion of quillfen with bash-completion's own helpers.
#
# Usage: completions/bash_completion_test.sh SCRIPT_OR_DATA_DIR [QUILLFEN]
#
#   SCRIPT_OR_DATA_DIR  the completion script itself, or an installed data
#                       folder (PREFIX/share): then the script must be found
#                       there by bash-completion's loader, as in a shell
#   QUILLFEN            a built quillfen; its -h text gives the options that
#                       "quillfen -<TAB>" must offer
#
# Prints one line per failed case and "N passed, N failed"; the exit status
# is 1 when a case failed or the script could not be loaded.
set -uo pipefail

target=${1:?usage: bash_completion_test.sh SCRIPT_OR_DATA_DIR [QUILLFEN]}
quillfen=${2:-}
if [[ -n $quillfen ]]; then
  quillfen=$(realpath "$quillfen")
fi

helpers=/usr/share/bash-completion/bash_completion
if [[ ! -r $helpers ]]; then
  echo "bash_completion_test: $helpers missing (Debian package bash-completion)" >&2
  exit 1
fi
# shellcheck source=/dev/null
source "$helpers"

if [[ -d $target ]]; then
  # How an interactive shell finds it: by the command's name, below
  # $XDG_DATA_DIRS/bash-completion/completions.
  export XDG_DATA_DIRS=$(realpath "$target")
  __load_completion quillfen
else
  # shellcheck source=/dev/null
  source "$target"
fi
function=$(complete -p quillfen 2>/dev/null | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
if [[ -z $function ]]; then
  echo "bash_completion_test: no completion for quillfen from $target" >&2
  exit 1
fi

# The candidates for the last of the given words, sorted, on one line.
candidates() {
  COMP_WORDS=(quillfen "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$function" quillfen "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  if [[ ${#COMPREPLY[@]} -gt 0 ]]; then
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ' -
  fi
}

# shellcheck source=tests/checks.bash
source "$(dirname "$0")/../tests/checks.bash"
# expect "CANDIDATES" WORD...: completing the last WORD offers exactly these.
expect() {
  local want=$1
  shift
  local got
  got=$(candidates "$@")
  check "quillfen $* <TAB>: expected [$want], got [$got]" test "$got" = "$want"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch dcf77.log msf-edges.log.gz day.svg
mkdir logs

# -s: the two stations, detached or attached.
expect "dcf77 msf" -s ""
expect "dcf77" -s d
expect "msf" -u -e -s m
expect "" -s x
expect "-sdcf77 -smsf" -s
expect "-smsf" -sm
# -f: files and folders, and - for standard input.
expect "- day.svg dcf77.log logs msf-edges.log.gz" -f ""
expect "msf-edges.log.gz" -s msf -f m
expect "-" -f -
# -p: pictures and folders.
expect "day.svg logs" -s dcf77 -f dcf77.log -p ""
# -E: a number, nothing to offer.
expect "" -E ""
expect "" -e -E 3
# No operands.
expect "" -s dcf77 ""
# The options.
if [[ -n $quillfen ]]; then
  # Every option of the help text, and the two long ones.
  options=$("$quillfen" -h | sed -n 's/^  \(-[^ ]\).*/\1/p' | paste -sd ' ' -)
  all=$(printf '%s\n' $options --help --version | LC_ALL=C sort | paste -sd ' ' -)
  expect "$all" -
fi
expect "--help --version" --
expect "--version" -u --v

checks_summary bash_completion
