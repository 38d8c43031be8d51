#!/usr/bin/env bash
# Recursive delete benchmark: our file operations (bench_fileops) against lftp's "rm -r", same
# vsftpd server on loopback, same tree in tmpfs, same run. The tree: FOLDERS folders of
# FILES_PER folder files each, under one folder. Prints the median of each and our rate
# relative to lftp's.
#
#   bench/fileops.sh [BUILD_DIR]      (root: vsftpd logs in a system account)
# Environment: RUNS (default 3), FOLDERS (default 1000), FILES_PER (default 20).
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
ours=$top/$build/bench/fileops/bench_fileops
RUNS=${RUNS:-3}
FOLDERS=${FOLDERS:-1000}
FILES_PER=${FILES_PER:-20}
user=orvoftp-test
pass=Orvo-test-pw1
# shellcheck source=bench/vsftpd.sh
. "$top/bench/vsftpd.sh"

bench_setup bench/fileops.sh "$ours" lftp

work=$(mktemp -d /dev/shm/orvobench.XXXXXX)
srv=$work/srv
cleanup() { stop_vsftpd; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"
mkdir -p "$srv"

# One pristine tree; every run deletes a fresh copy of it.
files=$((FOLDERS * FILES_PER))
echo "Preparing $files files in $FOLDERS folders in $work ..."
mkdir -p "$work/pristine"
for d in $(seq -w 1 "$FOLDERS"); do
  mkdir "$work/pristine/d$d"
  (cd "$work/pristine/d$d" && for f in $(seq -w 1 "$FILES_PER"); do : > "f$f.txt"; done)
done
chown -R "$user" "$srv" "$work/pristine"

port=$(free_port)
vsftpd_config "$port" 40000 60000 > "$work/vsftpd.conf"
start_vsftpd "$work/vsftpd.conf" "$port"

# seconds CMD...: wall time of one run; fails the benchmark when the command fails or leaves
# anything of the tree behind.
seconds() {
  local t0=$EPOCHREALTIME
  if ! "$@" >"$work/out.log" 2>&1; then echo "FAILED: $*" >&2; cat "$work/out.log" >&2; exit 1; fi
  local t1=$EPOCHREALTIME
  [ ! -e "$srv/tree" ] || { echo "FAILED: $* left $(find "$srv/tree" | wc -l) entries" >&2; exit 1; }
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}
fresh_tree() { rm -rf "$srv/tree"; cp -a "$work/pristine" "$srv/tree"; sync; }

del_ours() { "$ours" 127.0.0.1 "$port" "$user" "$pass" tree; }
del_lftp() { lftp -u "$user,$pass" -p "$port" -e "set ftp:passive-mode on; set net:max-retries 1; rm -r tree; bye" 127.0.0.1; }

declare -A times
echo "Measuring (median of $RUNS runs each after one warm-up round; the order alternates) ..."
for round in $(seq 0 "$RUNS"); do
  order="ours lftp"
  [ $((round % 2)) = 1 ] && order="lftp ours"
  for c in $order; do
    fresh_tree
    t=$(seconds "del_$c")
    [ "$round" = 0 ] || times[$c]+="$t "
    [ "$c" = ours ] && [ "$round" != 0 ] && echo "  ours: $(cat "$work/out.log")"
  done
done
ours_s=$(printf '%s\n' ${times[ours]} | median)
lftp_s=$(printf '%s\n' ${times[lftp]} | median)
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

echo
echo "Recursive delete: $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -r), vsftpd on loopback, tree in tmpfs"
echo "$files files in $FOLDERS folders (plus the folder holding them)"
printf '%-10s %10s %14s\n' "client" "median s" "files/s"
printf '%-10s %10s %14s\n' ours "$ours_s" "$(rate "$files" "$ours_s")"
printf '%-10s %10s %14s\n' lftp "$lftp_s" "$(rate "$files" "$lftp_s")"
echo "All runs (seconds): ours ${times[ours]}; lftp ${times[lftp]}"
echo "Our rate relative to lftp's: $(awk -v a="$ours_s" -v b="$lftp_s" 'BEGIN { printf "%.2f", b / a }')x (target 0.80x or more)"
