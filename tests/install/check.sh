# Sourced by the installation tests: check WHAT EXPECTED ACTUAL counts a case and shows a
# difference; finish prints the counts and fails when any case failed.
passed=0 failed=0
check() { # WHAT EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s\n--- expected:\n%s\n--- got:\n%s\n' "$1" "$2" "$3" >&2
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
