#!/usr/bin/env bash
# Checks a tree made by cmake --install: the files that must be there (and
# those that must not), the program's version, the man page through man, the
# completions through bash-completion's loader and zsh's compinit, and that
# every installed header compiles on its own without ICU or GoogleTest.
#
# Usage: packaging/installed_tree_test.sh PREFIX VERSION
#
# Run from the top of the source tree. Prints one line per failed check and
# "N passed, N failed"; the exit status is 1 when a check failed.
set -uo pipefail

prefix=$(realpath "${1:?usage: installed_tree_test.sh PREFIX VERSION}")
version=${2:?usage: installed_tree_test.sh PREFIX VERSION}

# shellcheck source=tests/checks.bash
source "$(dirname "$0")/../tests/checks.bash"

# ---- Files that must be there ----------------------------------------------
required=(
  bin/quillfen
  bin/quillfen-synth
  share/man/man1/quillfen.1
  share/man/man1/quillfen-synth.1
  share/bash-completion/completions/quillfen
  share/bash-completion/completions/quillfen-synth
  share/zsh/site-functions/_quillfen
  share/zsh/site-functions/_quillfen-synth
  share/doc/quillfen/README.md
  share/doc/quillfen/LICENSE
  share/doc/quillfen/CHANGELOG.md
  lib/libquillfen_base.a
  lib/libquillfen_datetime.a
  lib/libquillfen_dcf77.a
  lib/libquillfen_msf.a
  lib/cmake/quillfen/quillfenConfig.cmake
  lib/cmake/quillfen/quillfenConfigVersion.cmake
  lib/cmake/quillfen/quillfenTargets.cmake
  lib/pkgconfig/quillfen.pc
)
for log in examples/*.log; do
  required+=("share/doc/quillfen/$log")
done
# Every public header of the library folders, in the tree's own layout.
for header in base/*.hpp datetime/*.hpp dcf77/*.hpp msf/*.hpp; do
  case $header in
    *_encoder.hpp | *_test.hpp | */test_*.hpp | base/allocation_count.hpp) ;;
    *) required+=("include/quillfen/$header") ;;
  esac
done
for file in "${required[@]}"; do
  check "$file is not installed" test -f "$prefix/$file"
done
check "bin/quillfen is not executable" test -x "$prefix/bin/quillfen"

# ---- Files that must not be there ------------------------------------------
unwanted=$(cd "$prefix" && find . -name '*_encoder*' -o -name 'test_*' -o -name '*_test*' \
  -o -name 'allocation_count*' -o -name '*.cpp' -o -name 'CMakeLists.txt')
check "test-only or source files installed: $unwanted" test -z "$unwanted"

# ---- The program -------------------------------------------------------------
check "quillfen -V does not print 'quillfen $version'" \
  test "$("$prefix/bin/quillfen" -V)" = "quillfen $version"
# A release names its version in the change log.
newest=$(sed -n 's/^## \[\([0-9][^]]*\)\].*/\1/p' "$prefix/share/doc/quillfen/CHANGELOG.md" | head -1)
check "the newest CHANGELOG.md entry is $newest, not $version" test "$newest" = "$version"
report=$("$prefix/bin/quillfen" -s dcf77 -f "$prefix/share/doc/quillfen/examples/dcf77-bits.log")
check "quillfen does not analyze the installed DCF77 example" grep -q '^first_minute=' <<<"$report"
# The synthesizer's log, through standard input.
summary=$("$prefix/bin/quillfen-synth" -s msf -t 2025-06-01T00:00Z -n 5 |
  "$prefix/bin/quillfen" -S -s msf -f -)
check "quillfen-synth | quillfen -S -f - does not count 5 clean minutes" \
  grep -qx 'Clean: 5' <<<"$summary"

# ---- Man page ------------------------------------------------------------------
check "man does not find quillfen(1) below the prefix" \
  test "$(MANPATH=$prefix/share/man man -w quillfen 2>/dev/null)" = "$prefix/share/man/man1/quillfen.1"
check "the installed man page fails its test" \
  docs/man/man_page_test.sh "$prefix/share/man/man1/quillfen.1" "$prefix/bin/quillfen"

# ---- Completions ---------------------------------------------------------------
check "the installed bash completion fails its test" \
  completions/bash_completion_test.sh "$prefix/share" "$prefix/bin/quillfen"
if command -v zsh >/dev/null; then
  # compinit reads the #compdef line of every function in $fpath.
  zsh_function=$(zsh -f -c "fpath=($prefix/share/zsh/site-functions \$fpath)
    autoload -Uz compinit && compinit -u -D && print -r -- \${_comps[quillfen]}")
  check "zsh's compinit does not take _quillfen for quillfen (got '$zsh_function')" \
    test "$zsh_function" = _quillfen
  check "zsh cannot parse _quillfen" zsh -n "$prefix/share/zsh/site-functions/_quillfen"
fi

# ---- Headers -------------------------------------------------------------------
# Each on its own, with the include paths of the CMake package and nothing else.
while IFS= read -r header; do
  name=${header#"$prefix/include/"}
  check "<$name> does not compile on its own" \
    g++ -std=c++20 -fsyntax-only -Wall -Wextra -Werror -x c++ \
      -I"$prefix/include" -I"$prefix/include/quillfen" - <<<"#include <$name>"
done < <(find "$prefix/include" -name '*.hpp' | sort)
foreign=$(grep -rlE '#include [<"](unicode|gtest|gmock)/' "$prefix/include")
check "installed headers include ICU or GoogleTest: $foreign" test -z "$foreign"

checks_summary installed_tree
