#!/usr/bin/env bash
# Installs the build into an empty prefix and runs the programs from there,
# as a user with an empty home folder: every file in its place, a valid
# desktop entry, a manual page that lists every option of --help, and both
# programs writing only into the per-user folder, never into the prefix.
#   installed_program.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
home=$work/home
mkdir -p "$home"
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/vobmarks bin/vobmarks-cli share/vobmarks/LOGO.BMP share/vobmarks/usage.txt \
         share/applications/vobmarks.desktop share/icons/hicolor/scalable/apps/vobmarks.svg \
         share/icons/hicolor/48x48/apps/vobmarks.png share/icons/hicolor/256x256/apps/vobmarks.png \
         share/man/man1/vobmarks-cli.1; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
desktop-file-validate "$prefix/share/applications/vobmarks.desktop" || fail "desktop entry"
head -c 8 "$prefix/share/icons/hicolor/48x48/apps/vobmarks.png" | od -An -tx1 | grep -q '89 50 4e 47' ||
  fail "48x48 icon is not a PNG"

snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
chmod -R a-w "$prefix"
before=$(snapshot)

export HOME=$home
unset XDG_DATA_HOME VOBMARKS_HOME
cli=$prefix/bin/vobmarks-cli
"$cli" --version | grep -q '^VobMarks Ver' || fail "vobmarks-cli --version"
page=$(sed 's/\\-/-/g' "$prefix/share/man/man1/vobmarks-cli.1")
for opt in $("$cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "$opt" <<<"$page" || fail "the manual page lacks $opt"
done
for cmd in $("$cli" --help | sed -n '/^commands:/,/^$/p' | awk 'NF>1 {print $1}'); do
  grep -q "^\\\\fB$cmd\\\\fR" "$prefix/share/man/man1/vobmarks-cli.1" || fail "the manual page lacks $cmd"
done

# The desktop program under the offscreen platform: splash, main window,
# then a termination request ends it the way Exit does.
user=$home/.local/share/vobmarks
mkdir -p "$user" && chmod 700 "$user"
echo stale > "$user/TMP1.MPG"
QT_QPA_PLATFORM=offscreen "$prefix/bin/vobmarks" >"$work/gui.log" 2>&1 &
pid=$!
sleep 4
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { cat "$work/gui.log" >&2; fail "vobmarks ended with status $status"; }
[ "$(stat -c %s "$user/vobmarks.DAT" 2>/dev/null)" = 1331 ] || fail "no history in $user"
[ ! -e "$user/TMP1.MPG" ] || fail "work files not deleted from $user"

# A first run makes the per-user folder itself, for its owner alone.
rm -rf "$home/.local"
export XDG_DATA_HOME=$home/data
QT_QPA_PLATFORM=offscreen "$prefix/bin/vobmarks" >"$work/gui.log" 2>&1 &
pid=$!
sleep 3
kill -TERM "$pid"
wait "$pid" || fail "vobmarks (second run)"
[ "$(stat -c %a "$XDG_DATA_HOME/vobmarks")" = 700 ] || fail "per-user folder mode"
[ -f "$XDG_DATA_HOME/vobmarks/vobmarks.DAT" ] || fail "no history in \$XDG_DATA_HOME/vobmarks"
[ ! -e "$home/.local" ] || fail "wrote under ~/.local although XDG_DATA_HOME is set"

[ "$(snapshot)" = "$before" ] || fail "the prefix changed"
echo "installed program: ok"
