#!/bin/sh
# Whole-program check of the Win32 layer on a real X server (run under xvfb-run): starts the
# demo, types keys with xdotool, resizes the window, closes it with Esc, and checks the exit
# status, which the demo builds from the key and size messages it received.
set -u
demo=$1
log=$(mktemp)
trap 'rm -f "$log"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT

fail() {
    echo "FAIL: $*"
    echo "--- demo output:"
    cat "$log"
    exit 1
}

# Waits up to 10 s for a line in the demo's output.
wait_for() {
    i=0
    until grep -qx "$1" "$log"; do
        i=$((i + 1))
        [ "$i" -gt 200 ] && fail "no line '$1'"
        sleep 0.05
    done
}

SDL_VIDEODRIVER=x11 "$demo" >"$log" 2>&1 &
pid=$!

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quenvale demo$' | head -n 1)
[ -n "$wid" ] || fail "window did not appear"
wait_for "client 640x480 at [0-9]* ms"

# The icon built into the program (64x64 bear) is the window's icon.
xprop -id "$wid" _NET_WM_ICON | grep -q 'Icon (64 x 64)' || fail "window has no 64x64 icon"

xdotool windowfocus --sync "$wid" || fail "cannot focus the window"
xdotool key --delay 30 Up Down F2 F5 a 7
wait_for "key 0x37"
xdotool windowsize --sync "$wid" 800 600 || fail "cannot resize"
wait_for "size 0 800x600"
xdotool key Escape

status=0
i=0
while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -gt 200 ] && fail "demo did not exit after Esc"
    sleep 0.05
done
wait "$pid" || status=$?
pid=

expected_keys="key 0x26
key 0x28
key 0x71
key 0x74
key 0x41
key 0x37
key 0x1B"
[ "$(grep '^key ' "$log")" = "$expected_keys" ] || fail "keys arrived differently"
grep -qx "destroy" "$log" || fail "no WM_DESTROY"
grep -qx "exit 127" "$log" || fail "loop did not end with the posted code"
[ "$status" -eq 127 ] || fail "exit status $status, expected 127"
echo "PASS: keys, resize, icon and exit status 127"
