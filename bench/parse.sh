#!/usr/bin/env bash
# Listing parser throughput: UNIX and Windows NT lines per second on one core, and a check
# that lines of 4 KiB to 64 KiB parse at the same bytes per second (no quadratic work).
# Usage: bench/parse.sh [build-dir]
set -euo pipefail
build=${1:-build}
binary="$build/bench/parse/bench_parse"
if [ ! -x "$binary" ]; then
  echo "missing $binary: build the project first (Google Benchmark is needed)" >&2
  exit 1
fi
json=$(mktemp)
trap 'rm -f "$json"' EXIT
# taskset keeps it on one core when available.
runner=()
command -v taskset >/dev/null && runner=(taskset -c 0)
"${runner[@]}" "$binary" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$json"
/usr/bin/python3 - "$json" <<'PY'
import json, sys
runs = {b["run_name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("aggregate_name") == "median"}
unix = runs["BM_UnixListing"]["items_per_second"]
nt = runs["BM_NtListing"]["items_per_second"]
print(f"UNIX listing: {unix:,.0f} lines/s ({'meets' if unix >= 1e6 else 'BELOW'} the 1,000,000 target)")
print(f"NT listing:   {nt:,.0f} lines/s")
rates = {n: runs[f"BM_LongLines/{n}"]["bytes_per_second"] for n in (4096, 16384, 65536)}
for n, r in rates.items():
    print(f"long lines {n // 1024:>2} KiB: {r / 2**20:,.0f} MiB/s")
ratio = rates[65536] / rates[4096]
linear = ratio >= 0.5
print(f"64 KiB vs 4 KiB throughput: {ratio:.2f} -> {'linear' if linear else 'NOT LINEAR'}")
sys.exit(0 if linear else 1)
PY
