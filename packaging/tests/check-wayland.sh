#!/usr/bin/env bash
# Starts the editor as a native Wayland client of a headless weston and checks
# from a screenshot that its window is drawn: a white text area with the menu
# bar above it, whose labels are dark. The editor's own log of its Wayland
# requests shows the window's title and app id.
#   check-wayland.sh BINARY OUTPUT_FOLDER
# OUTPUT_FOLDER gets quorel-wayland.png and the logs of weston and the editor.
set -euo pipefail
binary=$(realpath "$1")
mkdir -p "$2"
out=$(realpath "$2")
rm -f "$out"/*.png

# Short, so that the socket's path fits a socket address; weston and Qt both
# want it owned by us with mode 0700, which is what mktemp makes.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR WAYLAND_DISPLAY=quorel-check
app='' weston=''
trap 'kill $app $weston 2>/dev/null || true; wait; rm -rf "$XDG_RUNTIME_DIR"' EXIT
fail() {
    echo "--- $out/weston.log" && cat "$out/weston.log"
    echo "--- the end of $out/quorel.log" && { tail -n 80 "$out/quorel.log" || true; }
    echo "check-wayland: FAILED: $*"
    exit 1
}

# --debug lets weston-screenshooter take the screen; --no-config keeps a
# weston.ini of this user out of the picture.
weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --no-config --debug \
    --socket="$WAYLAND_DISPLAY" >"$out/weston.log" 2>&1 &
weston=$!
SECONDS=0
until [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; do
    if ! kill -0 $weston 2>/dev/null || [ $SECONDS -ge 30 ]; then fail "weston did not start"; fi
    sleep 0.2
done

# Wayland alone, without DISPLAY: Qt must not fall back on xcb when its
# Wayland plugin is missing. WAYLAND_DEBUG logs the requests the editor sends.
env -u DISPLAY QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$binary" >"$out/quorel.log" 2>&1 &
app=$!

# Reads the screenshot as PPM and prints what is missing, if anything.
read -r -d '' find_window <<'EOF' || true
import re, sys
d = sys.stdin.buffer.read()
m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", d)
w, h, px = int(m[1]), int(m[2]), d[m.end():]
pixel = lambda x, y: px[(y * w + x) * 3:(y * w + x) * 3 + 3]
def white_run(y):  # the first run of at least 200 white pixels in row y
    r = px[y * w * 3:(y + 1) * w * 3]
    i = r.find(b"\xff" * 603)
    if i < 0: return None
    j = i + 603
    while j < len(r) and r[j] == 255: j += 1
    return -(-i // 3), j // 3
top = next((y for y in range(24, h - 60) if white_run(y)), None)
if top is None: sys.exit("no white text area on the screen")
x0, x1 = white_run(top)
area = [pixel(x, y) for y in range(top, top + 60) for x in range(x0, x1)]
if area.count(b"\xff\xff\xff") < 0.98 * len(area): sys.exit("the white area is not a text area")
band = [pixel(x, y) for y in range(top - 24, top - 2) for x in range(x0, x1)]
light = sum(min(p) >= 200 and p != b"\xff\xff\xff" for p in band)
dark = sum(max(p) < 96 for p in band)
if light < 0.6 * len(band) or dark < 10: sys.exit("no menu bar with labels above the text area")
EOF

shot=$out/quorel-wayland.png
missing="no screenshot"
while [ $SECONDS -lt 30 ]; do
    if ! kill -0 $app 2>/dev/null; then
        wait $app && status=0 || status=$?
        grep -q 'platform plugin' "$out/quorel.log" &&
            fail "Qt could not start its Wayland platform plugin (is qt6-wayland installed?)"
        fail "quorel ended (status $status) before its window appeared"
    fi
    if (cd "$out" && weston-screenshooter >/dev/null 2>&1) && mv "$out"/wayland-screenshot-*.png "$shot" &&
        missing=$(convert "$shot" ppm:- | python3 -c "$find_window" 2>&1); then
        kill -0 $app 2>/dev/null || fail "quorel ended right after its window appeared"
        # Desktops match the window to its entry and icon by the app id.
        for call in 'set_app_id("org.quorel.Quorel")' "set_title(\"Quorel - Ostravane's own text editor\")"; do
            grep -qF "$call" "$out/quorel.log" || fail "quorel's window was not given $call"
        done
        echo "check-wayland: quorel's window is drawn under Wayland: $shot"
        exit 0
    fi
    sleep 0.5
done
fail "quorel's window did not appear within 30 s ($missing); last screenshot: $shot"
