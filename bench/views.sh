#!/bin/sh
# The main window's file views with 100,000 entries: a local directory read into the local
# view, and a cached remote listing shown in the remote view. Offscreen; prints milliseconds.
# Usage: bench/views.sh <build dir>
set -e
BUILD=${1:-build}
[ $# -gt 0 ] && shift
BIN="$BUILD/bench/views/bench_views"
if [ ! -x "$BIN" ]; then
  echo "missing $BIN (build the project first; needs libbenchmark-dev)" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false;qt.qpa.*=false" \
  "$BIN" --benchmark_min_time=2 "$@" 2>&1 | grep -v "propagateSizeHints\|XDG_RUNTIME_DIR"
