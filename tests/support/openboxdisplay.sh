#!/usr/bin/env bash
# openboxdisplay.sh COMMAND [ARG...]
#
# Runs COMMAND on an X display of its own with a real window manager: Xvfb
# (1024 x 768) on a free display number and openbox, whose margins stand in
# for panels of 24 pixels at the top and 40 at the bottom, so that the work
# area is smaller than the screen. COMMAND gets DISPLAY and the xcb platform;
# its exit status is the script's. Both servers are stopped when it ends, and
# everything they write goes into a temporary directory removed afterwards.
set -euo pipefail

deadline=20 # seconds for each server to come up
work=$(mktemp -d)
xvfb=""
openbox=""

stop() {
    local pid
    for pid in $openbox $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT

fail() {
    echo "openboxdisplay: $1" >&2
    cat "$work"/*.log >&2 2>/dev/null || true
    exit 1
}

# Xvfb picks a free display and writes its number once it accepts clients.
# Without -noreset it would start afresh whenever its last client leaves,
# refusing clients meanwhile.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t "$deadline" number <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$number"

export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cat >"$work/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>24</top><bottom>40</bottom><left>0</left><right>0</right></margins>
</openbox_config>
EOF
openbox --sm-disable --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
openbox=$!

# openbox is ready once it has named itself on the root window and published
# the work area.
ready() {
    local root
    root=$(xprop -root _NET_SUPPORTING_WM_CHECK _NET_WORKAREA 2>/dev/null) || return 1
    grep -q "window id" <<<"$root" && grep -q "_NET_WORKAREA(CARDINAL)" <<<"$root"
}
end=$((SECONDS + deadline))
until ready; do
    kill -0 "$openbox" 2>/dev/null || fail "openbox ended at start"
    ((SECONDS < end)) || fail "openbox did not start within $deadline seconds"
    sleep 0.05
done

status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
