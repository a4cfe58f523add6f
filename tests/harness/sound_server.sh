# For the scripts that need a sound server: a PulseAudio of the test's own, its sockets in the
# test's folder, with one null sink whose monitor the programs record from. Sourced after
# `work` and `fail` are set; the script's cleanup calls stop_sound_server.

sound_server=""

# start_sound_server SINK: starts it with module-null-sink's arguments SINK, or fails the test
# with the server's own last words.
start_sound_server() {
    export XDG_RUNTIME_DIR="$work/run" PULSE_RUNTIME_PATH="$work/run/pulse" HOME="$work"
    unset PULSE_SERVER
    mkdir -p "$PULSE_RUNTIME_PATH"
    # As root (CI) the server needs --system=no; it warns and runs. --disallow-exit keeps a
    # client from ending it.
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=no --disallow-exit --disable-shm \
        --log-target=stderr -L "module-null-sink $1" \
        -L 'module-native-protocol-unix auth-anonymous=1' 2>"$work/server.log" &
    sound_server=$!
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl info >/dev/null 2>&1 ||
        fail "the test's sound server did not start: $(tail -5 "$work/server.log")"
}

stop_sound_server() {
    [ -n "$sound_server" ] && kill "$sound_server" 2>/dev/null && wait "$sound_server" 2>/dev/null
    sound_server=""
}
