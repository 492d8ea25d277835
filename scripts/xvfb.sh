# A virtual X display for the scripts that show windows on a machine without one.
# shellcheck shell=bash

# start_xvfb <folder> [command prefix...]: starts Xvfb (through the prefix, say to run it as
# another user), keeps its process id in XVFB_PID and exports DISPLAY. Xvfb is started from here
# directly, not from a subshell, so that XVFB_PID is the server's own and killing it ends it.
# -noreset: a server that resets whenever its last client leaves refuses a client that connects
# during the reset.
start_xvfb() {
    local dir=$1
    shift
    "$@" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" \
        >"$dir/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        [ -s "$dir/display" ] && break
        sleep 0.1
    done
    if [ ! -s "$dir/display" ]; then
        echo "== Xvfb did not start: $(cat "$dir/xvfb.log")" >&2
        return 1
    fi
    DISPLAY=:$(head -n1 "$dir/display")
    export DISPLAY
}
