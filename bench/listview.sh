#!/bin/sh
# File list view with 100,000 rows: sorting by name, size, date and extension, filling the
# view, fitting its columns, switching to the list style. Offscreen; prints milliseconds.
# Usage: bench/listview.sh <build dir>
set -e
BUILD=${1:-build}
[ $# -gt 0 ] && shift
BIN="$BUILD/bench/listview/bench_listview"
if [ ! -x "$BIN" ]; then
  echo "missing $BIN (build the project first; needs libbenchmark-dev)" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false;qt.qpa.*=false" \
  "$BIN" --benchmark_min_time=2 "$@" 2>&1 | grep -v "propagateSizeHints\|XDG_RUNTIME_DIR"
