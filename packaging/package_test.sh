#!/usr/bin/env bash
# Builds the Debian package from a finished build into a temporary folder and checks what a
# kiosk device would get: every file where it belongs, the dependencies that the programs and
# the run-time plugins need, a desktop entry and a unit that name what the package ships, a
# machine-readable copyright file, and maintainer scripts that parse.
# Usage: package_test.sh CPACK BUILD_DIR SOURCE_DIR
set -uo pipefail
cpack=$1 build=$2 source=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

if ! "$cpack" -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
debs=("$work"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "FAIL: expected one package, found: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

# The control fields, and the file name that Debian's tools expect for them.
[ "$(field Package)" = quorvane ] || fail "Package is '$(field Package)'"
[ "$(field Maintainer)" = "Quorvane developers <dev@quorvane.invalid>" ] ||
  fail "Maintainer is '$(field Maintainer)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Description)" ] || fail "no Description"
expected_name="quorvane_$(field Version)_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$expected_name" ] || fail "package file $(basename "$deb"), not $expected_name"

# Every file with its mode, and nothing outside /usr and the unit folder.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' >"$work/contents"
for expected in \
  "-rwxr-xr-x root/root ./usr/bin/quorvane" \
  "-rwxr-xr-x root/root ./usr/bin/quorvane-send" \
  "-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/quorvane.png" \
  "-rw-r--r-- root/root ./usr/share/applications/quorvane.desktop" \
  "-rw-r--r-- root/root ./lib/systemd/system/quorvane-kiosk.service" \
  "-rw-r--r-- root/root ./usr/share/quorvane/example-profile.toml" \
  "-rw-r--r-- root/root ./usr/share/doc/quorvane/copyright" \
  "-rw-r--r-- root/root ./usr/share/man/man1/quorvane.1.gz" \
  "-rw-r--r-- root/root ./usr/share/man/man1/quorvane-send.1.gz" \
  "-rw-r--r-- root/root ./usr/share/man/man1/quorvane-plan.1.gz"; do
  grep -qxF -- "$expected" "$work/contents" || fail "the package lacks: $expected"
done
while read -r _ _ path; do
  case "$path" in
    ./usr/local/*) fail "installed under /usr/local: $path" ;;
    ./usr/* | ./lib/systemd/system/*) ;;
    *) fail "installed outside /usr: $path" ;;
  esac
done <"$work/contents"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for pair in \
  "res/quorvane.png usr/share/icons/hicolor/48x48/apps/quorvane.png" \
  "packaging/quorvane.desktop usr/share/applications/quorvane.desktop" \
  "packaging/quorvane-kiosk.service lib/systemd/system/quorvane-kiosk.service" \
  "board/example-profile.toml usr/share/quorvane/example-profile.toml" \
  "packaging/copyright usr/share/doc/quorvane/copyright"; do
  read -r from to <<<"$pair"
  cmp -s "$source/$from" "$root/$to" || fail "/$to differs from $from"
done
# The manual pages gzipped, as man and lintian look for them.
for page in quorvane quorvane-send quorvane-plan; do
  gzip -dc "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null |
    cmp -s "$source/packaging/man/$page.1" - ||
    fail "/usr/share/man/man1/$page.1.gz is not packaging/man/$page.1 gzipped"
done
# The copyright file in the machine-readable format: its header names the format and the
# package's contact, every paragraph on files says whose they are and under which licence.
copyright="$root/usr/share/doc/quorvane/copyright"
[ "$(head -n 1 "$copyright")" = \
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "the copyright file does not open with the format it follows"
grep -qxF "Upstream-Contact: $(field Maintainer)" "$copyright" ||
  fail "the copyright file's contact is not the Maintainer"
awk -v RS= '/(^|\n)Files:/ && !(/\nCopyright: ./ && /\nLicense: ./) { bad = 1 } END { exit bad }' \
  "$copyright" || fail "a Files paragraph of the copyright file lacks Copyright or License"
grep -qx "Files: \*" "$copyright" || fail "the copyright file covers not every file"
# The stripped programs still load their libraries and start.
for program in quorvane quorvane-send; do
  "$root/usr/bin/$program" --help >/dev/null 2>&1 || fail "/usr/bin/$program --help fails"
done

# Depends: the font and plugins loaded at run time, the Qt libraries, and for every library the
# programs are linked against, the package that holds it (as dpkg-shlibdeps found it).
depends=$(field Depends | tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/[[:space:]]//g' | sort -u)
for package in fonts-nanum qt6-qpa-plugins libqt6opengl6 libqt6gui6 libqt6widgets6; do
  grep -qxF "$package" <<<"$depends" || fail "Depends does not name $package: $(field Depends)"
done
sonames=$(readelf -d "$root/usr/bin/quorvane" "$root/usr/bin/quorvane-send" |
  sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p' | sort -u)
[ -n "$sonames" ] || fail "readelf found no libraries the programs need"
for soname in $sonames; do
  owners=$(dpkg -S "*/$soname" 2>/dev/null | sed -E 's/: \/.*//' | tr ',' '\n' |
    sed -E 's/^ +//; s/:.*//' | sort -u)
  # A library's shlibs may name a virtual package its owner provides (libspdlog1.10-fmt9).
  provided=$(for owner in $owners; do dpkg-query -W -f='${Provides}\n' "$owner" 2>/dev/null; done |
    tr ',' '\n' | sed -E 's/\(.*\)//; s/[[:space:]]//g' | grep . || true)
  owners=$(printf '%s\n%s\n' "$owners" "$provided" | grep . | sort -u)
  comm -12 <(echo "$owners") <(echo "$depends") | grep -q . ||
    fail "Depends names no package holding $soname (held by: ${owners//$'\n'/ })"
done

# The desktop entry and the unit start what the package ships.
desktop="$root/usr/share/applications/quorvane.desktop"
exec_program=$(sed -nE 's/^Exec=([^ ]+).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_program" ] || fail "the desktop entry runs '$exec_program', not shipped"
icon=$(sed -nE 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named '$icon'"
unit="$root/lib/systemd/system/quorvane-kiosk.service"
exec_start=$(sed -nE 's/^ExecStart=//p' "$unit")
[ -x "$root${exec_start%% *}" ] || fail "the unit runs '${exec_start%% *}', not shipped"
board=$(sed -nE 's/.*--board ([^ ]+).*/\1/p' <<<"$exec_start")
grep -qxF "ConditionPathExists=$board" "$unit" ||
  fail "the unit starts without the board profile '$board' it is given"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 && [ ! -s "$work/desktop.log" ] ||
    fail "desktop-file-validate: $(cat "$work/desktop.log")"
fi
if command -v systemd-analyze >/dev/null; then
  # Verified inside the unpacked package, so that ExecStart is found there; the targets it
  # refers to come from this machine.
  cp /lib/systemd/system/*.target "$root/lib/systemd/system/"
  systemd-analyze verify --man=no --root="$root" /lib/systemd/system/quorvane-kiosk.service \
    >"$work/verify.log" 2>&1 && [ ! -s "$work/verify.log" ] ||
    fail "systemd-analyze verify: $(cat "$work/verify.log")"
fi

# The maintainer scripts.
dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script does not parse"
done

if [ "$failures" -ne 0 ]; then
  echo "package test: $failures checks failed on $(basename "$deb")" >&2
  exit 1
fi
echo "package test: $(basename "$deb") holds $(wc -l <"$work/contents") files; Depends: $(field Depends)"
