# Shared by the shell tests of the installed files (man page, completions,
# installed tree, .deb): source it, call check for each check, end with
# checks_summary NAME.

checks_passed=0
checks_failed=0

# check WHAT COMMAND...: runs COMMAND; when it fails, prints "FAILED: WHAT".
check() {
  local what=$1
  shift
  if "$@"; then
    checks_passed=$((checks_passed + 1))
  else
    echo "FAILED: $what"
    checks_failed=$((checks_failed + 1))
  fi
}

# checks_summary NAME: prints "NAME: N passed, N failed"; fails when a check
# failed.
checks_summary() {
  echo "$1: $checks_passed passed, $checks_failed failed"
  [[ $checks_failed -eq 0 ]]
}
