# Helpers of the install checks: collect failures, report them all, end with the count.
failures=0
checks_failed() { [ "$failures" -gt 0 ]; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
fatal() { echo "FAIL: $*"; exit 1; }
finish() {
  if checks_failed; then echo "$failures check(s) failed"; exit 1; fi
  echo "all checks passed"
}

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" > /dev/null || fatal "$tool is missing (make deps installs it)"
  done
}

# The project's Makefile on this build tree; a make that runs ctest must not hand its job
# server down to this one.
run_make() {
  env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make --no-print-directory -C "$source" BUILD="$build" "$@"
}
