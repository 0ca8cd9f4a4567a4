#!/usr/bin/env bash
# cmake --install into a temporary prefix gives every file the desktop needs, and the
# installed program starts without a display, keeps its data out of the prefix and ends on
# SIGTERM without crashing.  Usage: InstallTest.sh BUILD_DIR
set -uo pipefail
build=$1
tmp=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"

for f in bin/Velkoran bin/velkoran bin/velkoran-lines share/velkoran/start.wav \
    share/velkoran/stopp.wav share/man/man1/velkoran.1.gz share/man/man1/Velkoran.1.gz \
    share/man/man1/velkoran-lines.1.gz share/doc/velkoran/copyright \
    share/doc/velkoran/changelog.gz \
    share/velkoran/Velkoran-Hilfe.html share/applications/velkoran.desktop \
    share/icons/hicolor/scalable/apps/velkoran.svg \
    share/fontconfig/conf.avail/60-velkoran-ms-sans-serif.conf; do
    [ -s "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/Velkoran" ] && [ -x "$prefix/bin/velkoran-lines" ] || fail "not executable"
[ "$(readlink "$prefix/bin/velkoran")" = Velkoran ] || fail "bin/velkoran is not the program"
# Only an install into /usr switches the font alias on in /etc.
[ ! -e "$prefix/etc" ] || fail "an install into $prefix made $prefix/etc"

desktop=$prefix/share/applications/velkoran.desktop
desktop-file-validate "$desktop" || fail "desktop entry invalid"
# The entry starts the installed program and shows the installed icon.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not installed"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "Icon=$icon_name missing"
grep -q '^Name=' "$desktop" && grep -q '^Comment=.*Zeitnahme' "$desktop" || fail "Name/Comment"
grep -q '^Categories=.*;' "$desktop" || fail "Categories"

# The wiring check runs and reports a missing port with status 1.
"$prefix/bin/velkoran-lines" "$tmp/ttyUSB9" >/dev/null 2>&1
[ $? -eq 1 ] || fail "velkoran-lines on a missing port"

# The program, as a user who cannot write to the prefix would start it.
home=$tmp/home
mkdir -p "$home" "$tmp/run"
chmod 700 "$tmp/run"
before=$(cd "$prefix" && find . | sort)
env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data" \
    XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/Velkoran" >"$tmp/out.txt" 2>&1 &
pid=$!
data=$home/data/Quorvane/Velkoran
for _ in $(seq 300); do
    [ -d "$data" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -d "$data" ] || { cat "$tmp/out.txt"; fail "no per-user data folder $data"; }
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$tmp/out.txt"; fail "the program ended by itself"; }
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
# 0: orderly shutdown; 143: ended by the signal's default action. Anything else is a crash.
case $status in
0 | 143) ;;
*) cat "$tmp/out.txt"; fail "exit status $status after SIGTERM" ;;
esac
after=$(cd "$prefix" && find . | sort)
[ "$before" = "$after" ] || fail "the program wrote into the prefix: $(diff <(echo "$before") <(echo "$after"))"
if [ $status -eq 0 ]; then
    [ -f "$data/Velkoran-Sicherungsdatei.txt" ] || fail "orderly shutdown wrote no backup in $data"
fi
echo "installed into $prefix; program started and ended with status $status"
