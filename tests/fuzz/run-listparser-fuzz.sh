#!/usr/bin/env bash
# Runs the listing parser fuzzer (after `make fuzz`) for a while, seeded with the listing
# corpus of the engine tests. Usage: tests/fuzz/run-listparser-fuzz.sh [seconds] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-300}
build=${2:-build-fuzz}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds" "$work/corpus"
# One seed per corpus line, and runs of 20 lines as one listing.
/usr/bin/python3 - "$work/seeds" <<'PY'
import pathlib, re, sys
out = pathlib.Path(sys.argv[1])
def unescape(text):
    table = {'t': b'\t', 'r': b'\r', 'n': b'\n', '\\': b'\\'}
    return re.sub(rb'\\(x[0-9a-fA-F]{2}|.)',
                  lambda m: bytes([int(m.group(1)[1:], 16)]) if m.group(1)[:1] == b'x'
                  else table.get(m.group(1).decode(), m.group(1)), text)
count = 0
for tsv in sorted(pathlib.Path('tests/engine/data/listings').glob('*.tsv')):
    if tsv.name == 'provenance.tsv':
        continue
    column = 2 if tsv.name == 'rejects.tsv' else 1
    raws = [unescape(r.split(b'\t')[column]) for r in tsv.read_bytes().split(b'\n')[1:] if b'\t' in r]
    chunks = raws + [b'\r\n'.join(raws[i:i + 20]) for i in range(0, len(raws), 20)]
    for chunk in chunks:
        (out / str(count)).write_bytes(chunk)
        count += 1
PY
"$build/tests/fuzz/listparser_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  -dict=tests/fuzz/listparser.dict "$work/corpus" "$work/seeds"
