#!/usr/bin/env bash
# Shows the widget doing its job against the bundled demo server (its alarm news merged with one
# of its standard feeds, every label visible), in a demo data folder of its own
# (the user's real settings are never touched). On a display it runs until Ctrl+C; without one it
# starts a private X server with a compositing manager, lets the widget fetch and draw, saves a
# screenshot and stops. Assumes the build is done (tools/run.sh does that first).
#
#   tools/demo.sh                    run the demo
#   tools/demo.sh --screenshots DIR  headless only: also open the about and options views and
#                                    save widget.png, about.png and options.png into DIR
#   tools/demo.sh --scale S          as if the desktop were scaled by S (GDK_SCALE for the widget;
#                                    1 to 3 in quarter steps); screenshots are then named
#                                    widget@Sx.png and so on
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
app=${MP_APP:-$root/build/app/minipelikora}
xprobe=$root/build/tests/e2e/e2e_xprobe
demo=${XDG_CACHE_HOME:-$HOME/.cache}/minipelikora-demo
shots=""
scale=1

while [ $# -gt 0 ]; do
    case $1 in
    --screenshots)
        shots=${2:?--screenshots needs a folder}
        shift 2
        ;;
    --scale)
        scale=${2:?--scale needs a factor}
        shift 2
        ;;
    *)
        echo "usage: $0 [--screenshots DIR] [--scale S]" >&2
        exit 2
        ;;
    esac
done
if ! awk -v s="$scale" 'BEGIN { exit !(s ~ /^[0-9]+(\.[0-9]+)?$/ && s >= 1 && s <= 3) }'; then
    echo "demo: --scale takes a factor from 1 to 3" >&2
    exit 2
fi
suffix=""
if [ "$scale" != 1 ]; then
    suffix="@${scale}x"
fi
# px N: N skin pixels in the screen's pixels at the demo's scale.
px() { awk -v n="$1" -v s="$scale" 'BEGIN { printf "%d", n * s + 0.5 }'; }

if [ ! -x "$app" ]; then
    echo "demo: $app is missing; build first (bash tools/build.sh)" >&2
    exit 1
fi

# Every background process runs in a process group of its own (setsid), so stopping one stops
# whatever it started too. They are stopped newest first, whatever way this script ends.
groups=()
stop_all() {
    local i
    for ((i = ${#groups[@]} - 1; i >= 0; i--)); do
        kill -TERM -- "-${groups[i]}" 2>/dev/null || true
    done
    for ((i = ${#groups[@]} - 1; i >= 0; i--)); do
        for _ in $(seq 30); do
            kill -0 -- "-${groups[i]}" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL -- "-${groups[i]}" 2>/dev/null || true
    done
    groups=()
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start() { # start LOGNAME COMMAND...: runs COMMAND in its own group, logging into the demo folder
    local log=$demo/logs/$1.log
    shift
    setsid "$@" </dev/null >"$log" 2>&1 &
    groups+=("$!")
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_for() {
    local limit=$1 what=$2
    shift 2
    local end=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        if [ $SECONDS -ge $end ]; then
            echo "demo: gave up waiting for $what" >&2
            return 1
        fi
        sleep 0.2
    done
}

mkdir -p "$demo/logs" "$demo/data" "$demo/config" "$demo/run"
chmod 700 "$demo/run"
data_dir="$demo/data/Marvolt/Mini Pelikora"
mkdir -p "$data_dir"

# The demo feed on a free loopback port.
port_file=$demo/run/feed.port
rm -f "$port_file"
start feed python3 "$root/tools/feed/feedserver.py" --port 0 --port-file "$port_file" --rotate 3
wait_for 15 "the feed server" test -s "$port_file"
port=$(cat "$port_file")

# Point the widget at the demo servers, the alarm demo and one standard feed; keep any position
# and options of an earlier demo run.
python3 - "$data_dir/options.ini" "127.0.0.1:$port" <<'EOF'
import sys
path, host = sys.argv[1], sys.argv[2]
try:
    text = open(path, "rb").read()
    text = text[2:].decode("utf-16-le") if text.startswith(b"\xff\xfe") else ""
except OSError:
    text = ""
kept, skipping = [], False
for line in text.replace("\r\n", "\n").split("\n"):
    if line.strip().startswith("["):
        skipping = line.strip().lower() in ("[server]", "[feeds]")
    if not skipping:
        kept.append(line)
body = "\r\n".join(f"{k}={host}" for k in ("news", "version", "links"))
feeds = f"[feeds]\r\n1=http://{host}/feed/rss\r\n"
out = ("[server]\r\n" + body + "\r\n\r\n" + feeds + "\r\n" +
       "\r\n".join(kept).strip("\r\n"))
with open(path, "wb") as f:
    f.write(b"\xff\xfe" + (out.rstrip("\r\n") + "\r\n").encode("utf-16-le"))
EOF
rm -rf "$data_dir/news.xml" "$data_dir/sources"

headless=false
if [ -z "${DISPLAY:-}" ] || [ -n "$shots" ]; then
    headless=true
    # A display number free both as a file socket and in the abstract namespace.
    display=$(python3 - <<'EOF'
import os, random, socket
for _ in range(500):
    n = random.randint(100, 2000)
    if os.path.exists(f"/tmp/.X{n}-lock"):
        continue
    s = socket.socket(socket.AF_UNIX)
    try:
        s.bind(f"\0/tmp/.X11-unix/X{n}")
    except OSError:
        continue
    finally:
        s.close()
    print(n)
    break
EOF
    )
    # Room for the widget and its menu at the demo's scale.
    start xvfb Xvfb ":$display" -screen 0 "$(px 1280)x$(px 800)x24" -nolisten tcp -noreset -nocursor
    export DISPLAY=":$display"
    wait_for 15 "the X server" xdpyinfo
    if [ -x "$xprobe" ]; then
        "$xprobe" backdrop 4a78b0 1b2f4f
    else
        xsetroot -solid '#33557f'
    fi
    start openbox openbox --sm-disable
    wait_for 15 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'
    start xcompmgr xcompmgr
    sleep 0.5
fi

export XDG_DATA_HOME=$demo/data XDG_CONFIG_HOME=$demo/config XDG_RUNTIME_DIR=$demo/run
# The demo stays on loopback: the built-in public feeds are replaced, and the widget refuses (and
# logs) any exchange with another host.
printf 'http://127.0.0.1:%s/feed/rss\n' "$port" >"$demo/run/default-feeds"
export MINIPELIKORA_DEFAULT_FEEDS=$demo/run/default-feeds
export MINIPELIKORA_NETWORK_GUARD=$demo/logs/network-guard.log
if [ "$scale" != 1 ]; then
    export GDK_SCALE=$scale
fi
start widget "$app"
widget_pid=${groups[-1]}
wait_for 20 "the widget's window" xdotool search --all --pid "$widget_pid" --name '^minipelikora$'
wid=$(xdotool search --all --pid "$widget_pid" --name '^minipelikora$' | head -1)
echo "demo: feed on 127.0.0.1:$port, data folder $data_dir, display $DISPLAY"

if ! $headless; then
    echo "demo: the widget runs on $DISPLAY; Ctrl+C stops it and the feed"
    while kill -0 "$widget_pid" 2>/dev/null; do
        sleep 1
    done
    exit 0
fi

wait_for 30 "the first news" test -s "$data_dir/news.xml"
sleep 3 # the list is laid out and drawn after the file is written

shoot() { # shoot FILE: the widget's rectangle of the screen
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
    echo "demo: screenshot $1"
}

# Menu rows are 22 pixels high below a 2-pixel border, starting at the pointer.
menu() { # menu ROW: right click on the header band and pick that row
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove --sync $((X + $(px 330))) $((Y + $(px 40))) click 3
    sleep 1
    xdotool mousemove --sync $((X + $(px 350))) $((Y + $(px $((40 + 2 + 22 * $1 + 11))))) click 1
    sleep 2
}

if [ -z "$shots" ]; then
    shoot "$demo/minipelikora-demo$suffix.png"
else
    mkdir -p "$shots"
    shoot "$shots/widget$suffix.png"
    menu 0
    shoot "$shots/about$suffix.png"
    menu 1
    shoot "$shots/options$suffix.png"
fi
