#!/usr/bin/env bash
# Builds the Debian package from a Linux build directory, validates what it
# holds, installs it, runs the installed vennox-otp once and removes the
# package again, so the machine is left as it was.
#   bash scripts/package-test.sh build/linux
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

fail() { echo "package-test: $*" >&2; exit 1; }

[ $# -eq 1 ] || fail "usage: $0 BUILD-DIR"
build=$(cd "$1" && pwd) || fail "no build directory $1"
[ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured CMake build"
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man groff apt-get; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/deps.sh"
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

work=$(mktemp -d)
installed=""
cleanup() {
  if [ -n "$installed" ]; then
    echo "-- removing the package"
    # shellcheck disable=SC2086
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq $installed >/dev/null ||
      echo "package-test: could not remove $installed" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# desktop-file-validate exits 0 on warnings; only its hints may pass.
validate_desktop() {
  local out
  out=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate $1: $out"
  if grep -qE '(error|warning):' <<<"$out"; then fail "desktop-file-validate $1: $out"; fi
  [ -z "$out" ] || echo "$out"
}

validate_metainfo() {
  appstreamcli validate --no-net "$1" || fail "appstreamcli validate $1"
}

# Runs a command quietly; its output is shown only when it fails.
quiet() {
  local log=$work/quiet.log
  "$@" >"$log" 2>&1 || { cat "$log" >&2; fail "failed: $*"; }
}

installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev}${Package}:${Architecture}\n' | sed -n 's/^ii *//p' | sort
}

# Both formatters: man-db's view of the page and groff's own warnings.
lint_man() {
  local out
  out=$(LC_ALL=C.UTF-8 MANPAGER=cat MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null) ||
    fail "man -l $1 failed: $out"
  [ -z "$out" ] || fail "man --warnings $1: $out"
  out=$(zcat -f "$1" | groff -ww -man -z -t 2>&1) || fail "groff $1 failed: $out"
  [ -z "$out" ] || fail "groff -ww $1: $out"
}

echo "-- building the package"
# Also configures again after a change to the CMake files, so the CPack
# setup is current.
quiet cmake --build "$build" -j"${JOBS:-2}"
[ -f "$build/CPackConfig.cmake" ] || fail "$build has no CPack setup (built with -DCMAKE_TOOLCHAIN_FILE?)"
rm -f "$build"/package/*.deb
(cd "$build" && quiet cpack -G DEB)
debs=("$build"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $build/package"
deb=${debs[0]}
echo "$deb"

echo "-- validating the sources"
validate_desktop "$root/ui/qt/vennox.desktop"
metainfo_built=("$build"/packaging/*.metainfo.xml)
[ -f "${metainfo_built[0]}" ] || fail "no metainfo in $build/packaging"
validate_metainfo "${metainfo_built[0]}"
for page in vennox.1 vennox-otp.1; do
  lint_man "$build/docs/man/$page"
done

echo "-- validating the package's contents"
dpkg-deb -x "$deb" "$work/tree"
tree=$work/tree
pkg_name=$(dpkg-deb -f "$deb" Package)
pkg_version=$(dpkg-deb -f "$deb" Version)
for f in usr/bin/vennox usr/bin/vennox-otp usr/share/vennox/help/index.html \
         usr/share/applications/vennox.desktop usr/share/man/man1/vennox.1.gz \
         usr/share/man/man1/vennox-otp.1.gz usr/share/doc/"$pkg_name"/copyright \
         usr/share/icons/hicolor/48x48/apps/vennox.png usr/share/icons/hicolor/128x128/apps/vennox.png; do
  [ -f "$tree/$f" ] || fail "the package lacks /$f"
done
validate_desktop "$tree/usr/share/applications/vennox.desktop"
metainfos=("$tree"/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfos[@]} -eq 1 ] && [ -f "${metainfos[0]}" ] || fail "expected one metainfo file in /usr/share/metainfo"
validate_metainfo "${metainfos[0]}"
# The metainfo launches the desktop entry the package holds.
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "${metainfos[0]}")
[ -f "$tree/usr/share/applications/$launchable" ] ||
  fail "the metainfo launches '$launchable', which the package does not hold"
grep -q "<release version=\"${pkg_version%-*}\"" "${metainfos[0]}" ||
  fail "the metainfo has no release $pkg_version"
for page in "$tree"/usr/share/man/man1/*; do
  lint_man "$page"
done
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "the package's dependencies lack Qt: $depends"

echo "-- installing the package"
if [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$pkg_name" 2>/dev/null)" = "ii " ]; then
  fail "$pkg_name is installed already: remove it first, this test removes what it installs"
fi
before=$work/before
installed_packages >"$before"
installed=$pkg_name
# Recommends stay out: everything pulled in is removed again afterwards.
quiet $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb"
# Dependencies this install pulled in go again with the package.
pulled=$(installed_packages | comm -13 "$before" - | grep -v "^$pkg_name:" || true)
installed="$pkg_name $pulled"

echo "-- running the installed programs"
[ -x /usr/bin/vennox-otp ] || fail "/usr/bin/vennox-otp is not installed"
response=$(echo 'This is a test.' | /usr/bin/vennox-otp otp-md5 99 TeSt) ||
  fail "/usr/bin/vennox-otp failed"
[ "$response" = "BAIL TUFT BITS GANG CHEF THY" ] ||
  fail "/usr/bin/vennox-otp printed '$response' for the RFC 2289 vector"
version=$(/usr/bin/vennox-otp --version | head -n 1)
[ "$version" = "vennox-otp (Vennox) ${pkg_version%-*}" ] ||
  fail "package $pkg_version holds '$version'"
missing=$(ldd /usr/bin/vennox | grep 'not found' || true)
[ -z "$missing" ] || fail "/usr/bin/vennox misses libraries: $missing"
if [ ! -f /usr/share/man/man1/vennox-otp.1.gz ] &&
   grep -qs '^path-exclude.*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  fail "dpkg leaves out manual pages here (path-exclude in /etc/dpkg/dpkg.cfg.d)"
fi
for page in vennox vennox-otp; do
  found=$(man -w "$page") || fail "man -w $page finds no page"
  [ "$found" = "/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page finds $found"
done

echo "-- removing the package"
# shellcheck disable=SC2086
quiet $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y $installed
installed=""
[ ! -e /usr/bin/vennox-otp ] || fail "/usr/bin/vennox-otp is still there after the removal"
installed_packages | cmp -s "$before" - ||
  fail "the installed packages differ from before the test"

echo "package-test: $(basename "$deb") built, validated, installed, run and removed"
