#!/bin/sh
# Log console benchmark: lines added per second with 200 and 30,000 lines held (model only, and
# with a repaint after every line), and the time of a re-wrap of 30,000 lines after a resize.
# Usage: bench/console.sh <build dir>
set -e
build=${1:-build}
ninja -C "$build" bench_console >/dev/null
export QT_QPA_PLATFORM=offscreen
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/bench/console/bench_console" --benchmark_min_time=1 --benchmark_format=json >"$out"
python3 - "$out" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def rate(name):
    return runs[name]["items_per_second"]
for kind, label in (("BM_AddLine", "AddLine, repaint every 1000 lines"),
                    ("BM_AddLinePainted", "AddLine, repaint after each line")):
    few, many = rate(kind + "/200"), rate(kind + "/30000")
    print(f"{label}: {few:,.0f} lines/s with 200 held, {many:,.0f} lines/s with 30,000 held "
          f"(ratio 30,000/200 = {many / few:.2f})")
r = runs["BM_ResizeRewrap/30000"]
print(f"Resize re-wrap of 30,000 lines ({r['rows']:,.0f} rows), with the repaint: "
      f"{r['real_time']:.1f} ms wall, {r['cpu_time']:.1f} ms CPU")
print("(lines/s are per CPU second; the machine is shared, so wall times run higher)")
PY
