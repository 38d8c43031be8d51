#!/bin/sh
# The transfer queue and its list: entries added, reordered, deleted and cleared at 1,000,
# 10,000 and 100,000 entries (each operation should cost the same per entry at every size),
# and queue files of 100,000 entries saved and loaded. Offscreen; prints milliseconds.
# Usage: bench/queue.sh <build dir>
set -e
BUILD=${1:-build}
[ $# -gt 0 ] && shift
BIN="$BUILD/bench/queue/bench_queue"
if [ ! -x "$BIN" ]; then
  echo "missing $BIN (build the project first; needs libbenchmark-dev)" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false;qt.qpa.*=false" \
  "$BIN" --benchmark_min_time=1 "$@" 2>&1 | grep -v "propagateSizeHints\|XDG_RUNTIME_DIR"
