#!/usr/bin/env bash
# The bash completion of quillfen-synth, loaded with bash-completion's helpers:
# "quillfen-synth -s <TAB>" offers dcf77 and msf, "-s m<TAB>" msf only.
# Usage: completion_test.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
helpers=/usr/share/bash-completion/bash_completion
if [[ ! -r $helpers ]]; then
  echo "SKIPPED: bash-completion is not installed ($helpers missing); scripts/setup installs it"
  exit 0
fi
bash --norc --noprofile -c '
  set -u
  source "$1"
  source "$2/completions/bash/quillfen-synth"
  candidates() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _quillfen_synth quillfen-synth "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
  }
  check() {
    local want=$1
    shift
    local got
    got=$(candidates "$@")
    if [[ $got != "$want" ]]; then
      echo "FAIL: quillfen-synth ${*:2} -> \"$got\", expected \"$want\""
      exit 1
    fi
  }
  check "dcf77 msf " quillfen-synth -s ""
  check "msf " quillfen-synth -e -s m
  check "dcf77 msf " quillfen-synth -n 60 -s ""
  check "-e " quillfen-synth -s dcf77 -e
' _ "$helpers" "$source_dir"
echo "bash completion of quillfen-synth: -s offers dcf77 and msf"
