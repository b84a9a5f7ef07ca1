#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack from this build,
# extracted with dpkg-deb -x into a temporary root (never installed on the
# machine), and run from there.
#   package_test.sh BUILD_DIR SOURCE_DIR VERSION
# Fails when a file is missing, a program check fails, the desktop entry or the
# file type declaration is invalid, or the package refers to the build or
# source folder (in any installed file, or in a file the program touches).
set -uo pipefail

build=$(cd "$1" && pwd -P)
source=$(cd "$2" && pwd -P)
version=$3

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
need() {
  command -v "$1" >/dev/null 2>&1 || {
    echo "FAIL: $1 is missing (scripts/install-deps installs it)"
    exit 1
  }
}
for tool in cpack dpkg-deb dpkg strace desktop-file-validate xmllint update-mime-database gio gzip; do need "$tool"; done

tmp=$(mktemp -d)
strace_pid=
stop_gui() {  # ends the traced desktop program (strace then ends too)
  local pid
  pid=$(awk 'NR == 1 { print $1 }' "$tmp/trace-gui" 2>/dev/null)
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$strace_pid" ] && wait "$strace_pid" 2>/dev/null
  strace_pid=
}
cleanup() {
  [ -n "$strace_pid" ] && stop_gui
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The package, from the configuration the build wrote.
arch=$(dpkg --print-architecture)
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/package" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "FAIL: cpack could not make the package"
  exit 1
fi
deb="$tmp/package/velmora3d_${version}_${arch}.deb"
[ -f "$deb" ] || {
  ls "$tmp/package"
  echo "FAIL: no package named $(basename "$deb")"
  exit 1
}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

dpkg-deb -e "$deb" "$tmp/control"
for script in preinst postinst prerm postrm config triggers; do
  [ -e "$tmp/control/$script" ] && fail "the package has a maintainer script: $script"
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libc6* && $depends == *libqt6widgets6* ]] || fail "the computed dependencies lack libc6 or Qt: $depends"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
program="$root/usr/bin/velmora3d"
for file in usr/bin/velmora3d usr/share/velmora3d/Velmora3d.ui usr/share/velmora3d/examples/study3d.txt \
  usr/share/velmora3d/examples/skull3d/first.tps usr/share/applications/velmora3d.desktop \
  usr/share/mime/packages/velmora3d.xml usr/share/icons/hicolor/scalable/apps/velmora3d.svg \
  usr/share/icons/hicolor/256x256/apps/velmora3d.png usr/share/man/man1/velmora3d.1.gz; do
  [ -f "$root/$file" ] || fail "the package lacks $file"
done

# The program runs from any folder and reads nothing outside the root it was
# extracted to; each run is traced so the file names it touches can be checked.
work="$tmp/work"
mkdir -p "$work"
cd "$work" || exit 1
traced() {  # traced NAME COMMAND...: runs COMMAND, its file calls to trace-NAME
  local name=$1
  shift
  strace -f -qq -e trace=%file -o "$tmp/trace-$name" "$@"
}

out=$(traced version "$program" --version)
[ "$out" = "velmora3d $version" ] || fail "--version printed '$out', not 'velmora3d $version'"

# The desktop program on the offscreen platform: it must open the layout file
# of the extracted share folder and keep running with its window.
QT_QPA_PLATFORM=offscreen strace -f -qq -e trace=%file -o "$tmp/trace-gui" "$program" >"$tmp/gui.out" 2>"$tmp/gui.err" &
strace_pid=$!
layout="$root/usr/share/velmora3d/Velmora3d.ui"
opened_layout() { grep -q "openat(.*\"$layout\", O_RDONLY.*) = [0-9]" "$tmp/trace-gui" 2>/dev/null; }
for _ in $(seq 1 600); do
  opened_layout && break
  kill -0 "$strace_pid" 2>/dev/null || break
  sleep 0.1
done
opened_layout || fail "the desktop program did not open its layout $layout: $(cat "$tmp/gui.err")"
sleep 1
kill -0 "$strace_pid" 2>/dev/null || fail "the desktop program stopped on its own: $(cat "$tmp/gui.err")"
stop_gui

# The examples: copied out of the share folder, runnable there, never overwritten.
if ! traced examples "$program" --examples "$tmp/user" >"$tmp/examples.out" 2>&1; then
  fail "--examples failed:"
  cat "$tmp/examples.out"
fi
diff -r "$root/usr/share/velmora3d/examples" "$tmp/user/examples" >/dev/null || fail "--examples did not copy every file"
traced run "$program" --run "$tmp/user/examples/study3d.txt" --seed 1 >"$tmp/run.out" 2>"$tmp/run.err"
status=$?
if [ "$status" -ne 0 ]; then
  fail "--run on the copied 3D study exited with $status:"
  tail -n 5 "$tmp/run.err"
fi
[ -s "$tmp/user/demo-out/skull3d-first-aligned.txt" ] || fail "the copied 3D study wrote no aligned file"
cp "$tmp/user/examples/study3d.txt" "$tmp/study3d.before"
echo "# changed" >>"$tmp/user/examples/study3d.txt"
"$program" --examples "$tmp/user" >"$tmp/again.out" 2>&1
status=$?
[ "$status" -eq 2 ] || fail "--examples into a folder that has them exited with $status, not 2"
grep -q "Nothing copied" "$tmp/again.out" || fail "--examples over existing files did not say so: $(cat "$tmp/again.out")"
tail -n 1 "$tmp/user/examples/study3d.txt" | grep -q "# changed" || fail "--examples overwrote a changed file"

# The desktop entry and the study file type.
entry="$root/usr/share/applications/velmora3d.desktop"
if ! desktop-file-validate "$entry" >"$tmp/validate.out" 2>&1 || grep -qE "error:|warning:" "$tmp/validate.out"; then
  fail "desktop-file-validate:"
  cat "$tmp/validate.out"
fi
grep -qx "Exec=velmora3d %f" "$entry" || fail "the desktop entry does not open a file with velmora3d"
grep -qx "MimeType=application/x-velmora3d-study;" "$entry" || fail "the desktop entry lacks the study file type"
grep -qx "Icon=velmora3d" "$entry" || fail "the desktop entry lacks the icon"
mime="$root/usr/share/mime/packages/velmora3d.xml"
xmllint --noout "$mime" || fail "the MIME file is not well-formed XML"
# The declaration in a database of its own beside the standard types: a
# *.v3dstudy file and a JSON file whose first key is "velmora3d-study" are
# studies, other JSON stays JSON.
mkdir -p "$tmp/mime/packages"
cp "$mime" /usr/share/mime/packages/freedesktop.org.xml "$tmp/mime/packages/"
XDG_DATA_DIRS="$tmp" update-mime-database "$tmp/mime" >"$tmp/mime.out" 2>&1 || fail "update-mime-database: $(cat "$tmp/mime.out")"
[ -s "$tmp/mime.out" ] && fail "update-mime-database complained: $(cat "$tmp/mime.out")"
printf '{\n  "velmora3d-study": 1,\n  "protocol": "skull3d/protocol.txt"\n}\n' >"$tmp/study.json"
cp "$tmp/study.json" "$tmp/study.v3dstudy"
printf '{\n  "velmora3d": 1\n}\n' >"$tmp/other.json"
for case in study.json:application/x-velmora3d-study study.v3dstudy:application/x-velmora3d-study \
  other.json:application/json; do
  file=${case%%:*}
  type=$(XDG_DATA_HOME="$tmp/none" XDG_DATA_DIRS="$tmp" gio info -a standard::content-type "$tmp/$file" |
    sed -n 's/.*standard::content-type: //p')
  [ "$type" = "${case#*:}" ] || fail "$file is taken for '$type', not ${case#*:}"
done
grep -q "^application/x-velmora3d-study application/json" "$tmp/mime/subclasses" 2>/dev/null ||
  fail "the study type is not a kind of JSON"

# The icon is 256 pixels square; the man page is the program's --help.
[ "$(od -An -tx1 -j16 -N8 "$root/usr/share/icons/hicolor/256x256/apps/velmora3d.png" | tr -d ' \n')" = \
  "0000010000000100" ] || fail "the PNG icon is not 256 x 256"
gzip -dc "$root/usr/share/man/man1/velmora3d.1.gz" >"$tmp/man" || fail "the man page is not gzip"
grep -q "^\.TH VELMORA3D" "$tmp/man" && grep -q "velmora3d $version" "$tmp/man" && grep -qF -- '\-\-examples' "$tmp/man" ||
  fail "the man page is not made from this program's --help"

# Nothing installed refers to the build or the source folder, as a whole path
# or as the first eight bytes a compiler stores inline; nothing the program
# touched lies in them.
for dir in "$source" "$build"; do
  hits=$(grep -rlaF -- "$dir" "$root")
  [ ${#dir} -gt 8 ] && hits+=$(grep -rlaF -- "${dir:0:8}" "$root")
  [ -n "$hits" ] && fail "installed files refer to $dir: $hits"
  touched=$(grep -h "\"$dir[/\"]" "$tmp"/trace-* | head -n 3)
  [ -n "$touched" ] && fail "the program touched $dir: $touched"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "package test: every check passed"
