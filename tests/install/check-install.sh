#!/bin/bash
# Installs the build tree with `make install` into a scratch DESTDIR and checks what a desktop
# and a user see there: the file list, the launcher and the metainfo as their validators read
# them, the icons, the manual page, the installed program's options, where it keeps its
# settings, and that `make uninstall` removes exactly what was installed.
# check-install.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
here=$source/tests/install
. "$here/common.sh"

require_tools desktop-file-validate appstreamcli man file make cmake
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=/opt/orvo
root=$scratch/root
top=$root$prefix
app_id=org.orvoftp.OrvoFTP

# A user's environment without a display, so that any window the program opened would fail.
run_clean() { env -i PATH="$PATH" HOME="$scratch/home" LC_ALL=C.UTF-8 "$@"; }

# --- make install honours PREFIX and DESTDIR ----------------------------------------------
run_make install PREFIX="$prefix" DESTDIR="$root" > "$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log"; fatal "make install failed"; }

(cd "$root" && find . ! -type d | sed 's|^\./|/|' | sort) > "$scratch/files"
sed "s|^|$prefix/|" "$here/expected-files.txt" | sort > "$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" > "$scratch/files.diff" ||
  fail "installed files differ from expected-files.txt: $(cat "$scratch/files.diff")"
[ -z "$(find "$root" -type d ! -perm 755)" ] || fail "folders not 0755: $(find "$root" -type d ! -perm 755)"
[ -z "$(find "$top" -type f ! -perm 644 ! -path "$top/bin/orvoftp")" ] || fail "data files not 0644"
[ -x "$top/bin/orvoftp" ] || fail "bin/orvoftp is not executable"
[ ! -e "$top/bin/orvoftp.ini" ] || fail "orvoftp.ini next to the binary would make the install portable"

# --- the launcher -------------------------------------------------------------------------
desktop=$top/share/applications/$app_id.desktop
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
for line in 'Type=Application' 'Exec=orvoftp %U' "Icon=$app_id" 'Terminal=false' \
            'Categories=Network;FileTransfer;' 'MimeType=x-scheme-handler/ftp;x-scheme-handler/ftps;x-scheme-handler/ftpes;'; do
  grep -qxF "$line" "$desktop" || fail "launcher lacks the line '$line'"
done
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$top/bin/$exec_name" ] || fail "launcher runs '$exec_name', which is not installed in bin"

# --- icons: every PNG has the size of its folder ------------------------------------------
for png in "$top"/share/icons/hicolor/*x*/apps/$app_id.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "PNG image data, ${size/x/ x }," || fail "$png is not a $size PNG: $(file -b "$png")"
done
xmllint --noout "$top/share/icons/hicolor/scalable/apps/$app_id.svg" 2>/dev/null ||
  fail "the SVG icon is not well-formed XML"

# --- the metainfo -------------------------------------------------------------------------
metainfo=$top/share/metainfo/$app_id.metainfo.xml
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
grep -qF "<id>$app_id</id>" "$metainfo" || fail "metainfo id is not $app_id"
grep -qF "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
  fail "metainfo launchable does not name $(basename "$desktop")"
grep -qF "<binary>$exec_name</binary>" "$metainfo" || fail "metainfo does not provide the binary $exec_name"

# --- the program's options, run from the install without a display -------------------------
version_line=$(run_clean "$top/bin/orvoftp" --version 2>"$scratch/err"); rc=$?
[ "$rc" = 0 ] && [ ! -s "$scratch/err" ] || fail "--version: exit $rc, stderr $(cat "$scratch/err")"
[[ $version_line =~ ^OrvoFTP\ ([0-9]+\.[0-9]+)$ ]] || fail "--version printed '$version_line'"
version=${BASH_REMATCH[1]:-none}
grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

usage=$(run_clean "$top/bin/orvoftp" --help 2>"$scratch/err"); rc=$?
[ "$rc" = 0 ] && [ ! -s "$scratch/err" ] || fail "--help: exit $rc, stderr $(cat "$scratch/err")"
[[ $usage == "Usage: orvoftp "* ]] || fail "--help does not begin with the usage line: $usage"

for bad in --no-such-option --helpme --; do
  out=$(run_clean "$top/bin/orvoftp" "$bad" 2>"$scratch/err"); rc=$?
  [ "$rc" = 2 ] && [ -z "$out" ] && grep -q "^Usage: orvoftp" "$scratch/err" ||
    fail "'$bad': expected exit 2 and the usage on stderr; got exit $rc, stdout '$out'"
done

# --- the manual page documents every option the program knows ------------------------------
man_page=$top/share/man/man1/orvoftp.1.gz
run_clean MANWIDTH=80 man --warnings -E UTF-8 -l "$man_page" > "$scratch/man.txt" 2> "$scratch/man.err" ||
  fail "man -l failed: $(cat "$scratch/man.err")"
[ ! -s "$scratch/man.err" ] || fail "man -l warns: $(cat "$scratch/man.err")"
grep -q "^ORVOFTP(1) " "$scratch/man.txt" || fail "the manual page has no ORVOFTP(1) header"
grep -q "OrvoFTP $version" "$scratch/man.txt" || fail "the manual page is not that of version $version"
options=$(grep -o -- '--[a-z][a-z-]*' <<< "$usage" | sort -u)
for word in $options ORVOFTP_HOME XDG_CONFIG_HOME orvoftp.ini sites.ini; do
  grep -qF -- "$word" "$scratch/man.txt" || fail "the manual page does not mention $word"
done

# --- settings go to ~/.config/orvoftp; the prefix stays as installed -----------------------
(cd "$root" && find . | sort) > "$scratch/tree.before"
run_clean QT_QPA_PLATFORM=offscreen "$top/bin/orvoftp" > "$scratch/gui.log" 2>&1 &
pid=$!
config=$scratch/home/.config/orvoftp
for _ in $(seq 150); do [ -d "$config" ] && break; sleep 0.1; done
sleep 0.5
kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
[ -d "$config" ] || fail "the installed program did not create $config: $(cat "$scratch/gui.log")"
[ "$(stat -c %a "$config" 2>/dev/null)" = 700 ] || fail "$config is not mode 0700"
(cd "$root" && find . | sort) > "$scratch/tree.after"
diff -u "$scratch/tree.before" "$scratch/tree.after" > "$scratch/tree.diff" ||
  fail "the program wrote into its prefix: $(cat "$scratch/tree.diff")"

# --- make uninstall removes exactly what was installed -------------------------------------
touch "$top/bin/another-program" "$top/share/applications/mimeinfo.cache"
run_make uninstall PREFIX="$prefix" DESTDIR="$root" > "$scratch/uninstall.log" 2>&1 ||
  { cat "$scratch/uninstall.log"; fatal "make uninstall failed"; }
left=$(cd "$root" && find . ! -type d | sort | tr '\n' ' ')
[ "$left" = "./opt/orvo/bin/another-program ./opt/orvo/share/applications/mimeinfo.cache " ] ||
  fail "after uninstall expected only the two foreign files, found: $left"
[ ! -e "$top/share/doc/orvoftp" ] || fail "share/doc/orvoftp was left behind"
# Shared folders stay, even empty: other programs may have made them or be about to use them.
for shared in share/metainfo share/man/man1 share/icons/hicolor/scalable/apps; do
  [ -d "$top/$shared" ] || fail "uninstall removed the shared folder $shared"
done

finish
