#!/usr/bin/env bash
# Installs a build folder below a fresh staging folder as `make install` does
# and checks what lands where: the program (stripped), the manual page, the
# menu entry, the icons, the changelog and the copyright file, each also read
# by the tool that uses or checks it. Then removes it all with
# scripts/uninstall, as `make uninstall` does, and builds the Debian package of
# the same build and checks that it holds the same files under /usr.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
prefix=/usr/local
export LC_ALL=C.UTF-8 MANWIDTH=80

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Where desktops, man and the shell look for Velk's files, below the prefix.
expected=$(printf '%s\n' \
  bin/velk \
  lib/systemd/user/velk-remind.service \
  lib/systemd/user/velk-remind.timer \
  share/applications/velk.desktop \
  share/icons/hicolor/256x256/apps/velk.png \
  share/icons/hicolor/48x48/apps/velk.png \
  share/icons/hicolor/scalable/apps/velk.svg \
  share/doc/velk/changelog.gz \
  share/doc/velk/copyright \
  share/man/man1/velk.1.gz | sort)

# The regular files below a folder, relative to it, sorted.
files_below() {
  (cd "$1" && find . -type f -printf '%P\n' | sort)
}

build_id() {
  readelf -n "$1" 2>/dev/null | awk '/Build ID:/ {print $3}'
}

# The program below ROOT: without its symbol table and debugging sections, yet
# the program of the build (the same build ID) and still running.
check_program() { # WHERE ROOT
  local program=$2/bin/velk
  [[ -x $program ]] || { fail "$1: bin/velk is not an executable file"; return; }
  if readelf -S --wide "$program" | grep -qE ' \.(symtab|debug_[a-z_]+) '; then
    fail "$1: bin/velk is not stripped"
  fi
  local id
  id=$(build_id "$build/velk")
  [[ -n $id && $(build_id "$program") == "$id" ]] || fail "$1: bin/velk is not the program of $build"
  [[ $("$program" --version 2>&1) == $("$build/velk" --version 2>&1) ]] ||
    fail "$1: bin/velk --version does not answer as the built program does"
}

# The compressed files below ROOT: whole, and made by gzip -9 -n (the header's
# extra flags 02 for the best compression, no name and no time stamp), so the
# same text always gives the same file.
check_compressed() { # WHERE ROOT
  local file header
  for file in share/man/man1/velk.1.gz share/doc/velk/changelog.gz; do
    [[ -f $2/$file ]] || continue
    gzip -t "$2/$file" 2>/dev/null || fail "$1: $file is not a whole gzip file"
    header=$(od -An -tx1 -N9 "$2/$file" | tr -d ' \n')
    [[ $header == 1f8b08000000000002 ]] ||
      fail "$1: the gzip header of $file is $header, not that of gzip -9 -n"
  done
}

# The changelog and the copyright file below ROOT, as Debian reads them: the
# changelog's latest entry is of VERSION, and the copyright file is the
# machine-readable one of the sources.
changelog_field() { # ROOT FIELD
  zcat "$1/share/doc/velk/changelog.gz" >"$work/changelog" &&
    dpkg-parsechangelog -l "$work/changelog" -S "$2" 2>&1
}
check_docs() { # WHERE ROOT VERSION
  local copyright=$2/share/doc/velk/copyright parsed
  if [[ -f $2/share/doc/velk/changelog.gz ]]; then
    parsed=$(changelog_field "$2" Version) || true
    [[ $parsed == "$3" ]] || fail "$1: the changelog's latest entry is not of velk $3: $parsed"
  fi
  if [[ -f $copyright ]]; then
    cmp -s "$copyright" "$source/data/debian/copyright" ||
      fail "$1: share/doc/velk/copyright is not data/debian/copyright"
    [[ $(head -n 1 "$copyright") == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
      fail "$1: the copyright file does not begin with the machine-readable format's URL"
    for field in 'Files: \*' 'Copyright: .*[0-9]{4} .+' 'License: .+'; do
      grep -Eqx "$field" "$copyright" || fail "$1: the copyright file has no line '$field'"
    done
  fi
}

# --- Installing, with the command of `make install` (its build step taken as
# done, on this build folder)
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make --no-print-directory -C "$source" -o build-release \
  install RELEASE_DIR="$build" DESTDIR="$stage" PREFIX="$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "make install failed"; exit 1; }
root=$stage$prefix
installed=$(files_below "$stage" | sed "s|^${prefix#/}/||")
[[ "$installed" == "$expected" ]] ||
  fail "installed files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$installed") || true)"

check_program "make install" "$root"
check_compressed "make install" "$root"
# The program names its version under --version.
program_version=$("$build/velk" --version 2>&1 | sed -n 's/^velk //p')
check_docs "make install" "$root" "$program_version"

for size in 48 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/velk.png
  [[ -f $icon ]] || continue
  got=$(identify -format '%m %wx%h alpha=%A' "$icon" 2>&1) || true
  [[ "$got" == "PNG ${size}x${size} alpha=True" ]] ||
    fail "the ${size}x${size} icon is '$got', not 'PNG ${size}x${size} alpha=True'"
done
svg=$root/share/icons/hicolor/scalable/apps/velk.svg
if [[ -f $svg ]] && ! grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$svg"; then
  fail "the scalable icon is not an SVG picture"
fi

desktop=$root/share/applications/velk.desktop
if [[ -f $desktop ]]; then
  if ! out=$(desktop-file-validate "$desktop" 2>&1) || [[ -n $out ]]; then
    fail "desktop-file-validate finds fault with the menu entry: $out"
  fi
  for line in Exec=velk Icon=velk Type=Application Terminal=false; do
    grep -qx "$line" "$desktop" || fail "the menu entry lacks '$line'"
  done
fi

page=$root/share/man/man1/velk.1.gz
if [[ -f $page ]]; then
  if ! warnings=$(man --warnings -l "$page" 2>&1 >/dev/null) || [[ -n $warnings ]]; then
    fail "man warns about the manual page: $warnings"
  fi
  text=$(man -l "$page" 2>/dev/null) || fail "man cannot show the manual page"
  for heading in SYNOPSIS OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
    grep -q "^$heading\$" <<<"$text" || fail "the manual page has no section $heading"
  done
  for option in --agenda --search --add --report --csv --help --version; do
    grep -q -e "$option" <<<"$text" || fail "the manual page does not show $option"
  done
fi

# --- Removing: a manifest from elsewhere removes nothing; then everything that
# was installed goes, with Velk's own folder share/doc/velk, while a file of
# another program in the same folder and the shared folders stay; a second run
# finds nothing to do.
before=$(files_below "$stage")
if DESTDIR=$stage "$source/scripts/uninstall" "$build" /opt >/dev/null 2>&1; then
  fail "uninstalling from /opt accepted an install under $prefix"
fi
[[ $(files_below "$stage") == "$before" ]] || fail "uninstalling from /opt removed files"

echo other >"$root/bin/other-program"
DESTDIR=$stage "$source/scripts/uninstall" "$build" "$prefix" >/dev/null ||
  fail "scripts/uninstall failed"
left=$(files_below "$stage")
[[ "$left" == "${prefix#/}/bin/other-program" ]] ||
  fail "after uninstalling, the staging folder holds:
$left"
[[ ! -e $root/share/doc/velk ]] || fail "after uninstalling, share/doc/velk is still there"
[[ -d $root/share/man/man1 ]] || fail "uninstalling removed the shared folder share/man/man1"
DESTDIR=$stage "$source/scripts/uninstall" "$build" "$prefix" >/dev/null ||
  fail "uninstalling again, with every file gone, failed"

# --- The Debian package
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
debs=("$work"/package/velk_*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f ${debs[0]} ]]; then
  fail "cpack made no single velk_*.deb: ${debs[*]}"
else
  deb=${debs[0]}
  listing=$(dpkg-deb -c "$deb" | awk '{print $1, $6}')
  packaged=$(awk '$1 !~ /^d/ {print $2}' <<<"$listing" | sed 's|^\./usr/||' | sort)
  [[ "$packaged" == "$expected" ]] ||
    fail "the package's files differ from the expected ones under ./usr/:
$(diff <(echo "$expected") <(echo "$packaged") || true)"
  outside=$(awk '{print $2}' <<<"$listing" | grep -v '^\./usr/' || true)
  [[ -z $outside ]] || fail "the package has files outside ./usr/: $outside"
  [[ $(dpkg-deb -f "$deb" Package) == velk ]] || fail "the package is not named velk"
  version=$(dpkg-deb -f "$deb" Version)
  unpacked=$work/unpacked
  dpkg-deb -x "$deb" "$unpacked"
  check_program "the package" "$unpacked/usr"
  check_compressed "the package" "$unpacked/usr"
  check_docs "the package" "$unpacked/usr" "$version"
  maintainer=$(dpkg-deb -f "$deb" Maintainer)
  [[ $(changelog_field "$unpacked/usr" Maintainer) == "$maintainer" ]] ||
    fail "the changelog's latest entry is not by the package's maintainer $maintainer"
  # The manual page names the version in its footer and under --version.
  named=$(grep -o 'velk [0-9][0-9.]*[0-9]' <<<"${text:-}" | sort -u)
  [[ $named == "velk $version" ]] || fail "the manual page names '$named', the package velk $version"
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libfltk1.3 libnettle libcurl4; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
  done
fi

if ((failures > 0)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "every file installed, removed and packaged as expected"
