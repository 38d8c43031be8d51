#!/bin/bash
# Builds the Debian package from the build tree (cpack, as `make package` does, but into a
# scratch folder) and checks it with dpkg-deb: its name, its control fields, that its
# dependencies cover every library the binary loads, and that it holds exactly the installed
# layout under /usr, owned by root, with a stripped binary. Installing it stays out of tests.
# check-package.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
here=$source/tests/install
. "$here/common.sh"

require_tools cpack dpkg-deb dpkg-shlibdeps dpkg file ldd readelf
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

version=$(env -i "$build/orvoftp" --version | sed -n 's/^OrvoFTP //p')
arch=$(dpkg --print-architecture)
deb=$scratch/orvoftp_${version}_${arch}.deb

(cd "$build" && cpack -G DEB -B "$scratch") > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fatal "cpack failed"; }
[ -f "$deb" ] || fatal "no $(basename "$deb"); cpack made: $(ls "$scratch")"

# --- control fields -----------------------------------------------------------------------
dpkg-deb --field "$deb" > "$scratch/control" || fatal "dpkg-deb cannot read the package"
field() { sed -n "s/^$1: //p" "$scratch/control"; }
for expected in "Package=orvoftp" "Version=$version" "Architecture=$arch" "Section=net"; do
  name=${expected%%=*}
  [ "$(field "$name")" = "${expected#*=}" ] || fail "$name is '$(field "$name")', expected '${expected#*=}'"
done
[[ $(field Maintainer) =~ .+\ \<.+@.+\> ]] || fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
[ -n "$(field Description)" ] || fail "no Description"
dpkg-deb --info "$deb" | grep -q ' Installed-Size: ' || fail "no Installed-Size"

# Every shared library the binary links must come from a package named in Depends.
depends=" $(field Depends | sed 's/ ([^)]*)//g; s/,/ /g') "
package_of() {
  local path=$1 candidate
  for candidate in "$path" "/usr$path" "${path#/usr}" "$(readlink -f "$path")"; do
    dpkg -S "$candidate" 2>/dev/null | sed -n '1s/:.*//p' | grep . && return
  done
}
ldd "$build/orvoftp" > "$scratch/ldd" || fatal "ldd failed"
needed=$(readelf -d "$build/orvoftp" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fatal "readelf found no linked libraries"
for library in $needed; do
  # "libX.so.N => /path (address)", or "/path/ld-linux... (address)" for the loader.
  path=$(awk -v lib="$library" '$1 == lib && $2 == "=>" { print $3 }
                                $1 ~ "/" && $1 ~ ("/" lib "$") { print $1 }' "$scratch/ldd")
  package=$(package_of "$path")
  [ -n "$package" ] || { fail "no Debian package holds $library ($path)"; continue; }
  [[ $depends == *" $package "* ]] || fail "Depends lacks $package (for $library): $(field Depends)"
done
for package in libqt6widgets6 libcanberra0 qt6-qpa-plugins; do
  [[ $depends == *" $package "* ]] || fail "Depends lacks $package: $(field Depends)"
done

# --- contents -----------------------------------------------------------------------------
dpkg-deb --contents "$deb" > "$scratch/contents" || fatal "dpkg-deb --contents failed"
awk '$1 !~ /^d/ { print $6 }' "$scratch/contents" | sed 's|^\./||' | sort > "$scratch/files"
sed 's|^|usr/|' "$here/expected-files.txt" | sort > "$scratch/expected"
diff -u "$scratch/expected" "$scratch/files" > "$scratch/files.diff" ||
  fail "package files differ from expected-files.txt: $(cat "$scratch/files.diff")"
awk '$2 != "root/root" { print }' "$scratch/contents" | grep . && fail "entries not owned by root/root"
grep -q '^-rwxr-xr-x .* \./usr/bin/orvoftp$' "$scratch/contents" || fail "usr/bin/orvoftp is not 0755"

dpkg-deb --extract "$deb" "$scratch/root"
file -b "$scratch/root/usr/bin/orvoftp" | grep -q ', stripped' || fail "the packaged binary is not stripped"
for shipped in org.orvoftp.OrvoFTP.desktop:usr/share/applications \
               org.orvoftp.OrvoFTP.metainfo.xml:usr/share/metainfo; do
  cmp -s "$source/dist/${shipped%%:*}" "$scratch/root/${shipped#*:}/${shipped%%:*}" ||
    fail "the packaged ${shipped%%:*} differs from dist/"
done

echo "Depends: $(field Depends)"
finish
