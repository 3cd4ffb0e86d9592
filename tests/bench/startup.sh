#!/usr/bin/env bash
# Start-up to window mapped, and resident memory once connected to tavik-sim
# through the port chooser, on a private X server. Reports; no limit.
#   tests/bench/startup.sh [BUILD_DIR]     (needs tavikcontrol and tavik-sim built there)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d /tmp/tavik-startup.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

# Announced, so the chooser lists it; remembered, so the chooser preselects it.
"$build/sim/tavik-sim" --pace >"$work/port" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(head -n1 "$work/port")
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Orveth"
cat >"$XDG_CONFIG_HOME/Orveth/Tavik.properties" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<PROPERTIES>
  <VALUE name="Serial port" val="$port"/>
</PROPERTIES>
XML

# Every top-level window that maps, as it maps.
coproc XEV { exec xev -root -event substructure; }
pids+=("$XEV_PID")
sleep 0.5
next_mapped() { # prints the id of the next window mapped and when it mapped
    local line at
    while read -r line <&"${XEV[0]}"; do
        if [[ $line == MapNotify* ]]; then
            at=$EPOCHREALTIME
            read -r line <&"${XEV[0]}"
            [[ $line =~ window\ (0x[0-9a-f]+) ]] && echo "${BASH_REMATCH[1]} $at" && return 0
        fi
    done
    return 1
}

started=$EPOCHREALTIME
"$build/tavikcontrol" &
app=$!
pids+=($app)
main=""
while [ -z "$main" ]; do
    read -r id mapped_at < <(next_mapped)
    xprop -id "$id" WM_NAME | grep -q "Tavik Serial Control" && main=$id
done
startup=$(echo "$mapped_at - $started" | bc)
rss_start=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")

# CONNECT TO DEVICE sits at the middle of the top panel's row.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH / 2)) $((1 + HEIGHT / 40)) click 1
read -r chooser _ < <(next_mapped)
sleep 0.3
xdotool windowfocus "$chooser" key Return
for _ in $(seq 200); do
    xprop -id "$main" WM_NAME | grep -q "Connected via" && break
    sleep 0.05
done
xprop -id "$main" WM_NAME | grep -q "Connected via" || { echo "did not connect to $port" >&2; exit 1; }
sleep 1
rss_connected=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")

printf "window %s: %s\n" "$main" "$(xprop -id "$main" WM_NAME)"
printf 'start-up to window mapped                   %8.3f s\n' "$startup"
printf 'resident memory at start-up                 %8.1f MiB\n' "$(echo "$rss_start / 1024" | bc -l)"
printf 'resident memory after connecting            %8.1f MiB\n' "$(echo "$rss_connected / 1024" | bc -l)"
