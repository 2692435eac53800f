# Sourced by scripts/test: a private jackd with the dummy driver (no sound card needed),
# under a server name of its own so that it never meets a user's JACK server. Synchronous
# mode (-S): a cycle waits for every client instead of dropping the MIDI of a client that
# is late, which sanitizer builds on a busy machine often are.
start_private_jack() {
    export JACK_DEFAULT_SERVER="tessel-test-$$"
    export JACK_NO_AUDIO_RESERVATION=1
    jackd --no-realtime -S -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 64 \
        >"${TESSEL_ARTIFACTS:-/tmp}/jackd.log" 2>&1 &
    JACK_PID=$!
    for _ in $(seq 300); do  # a loaded machine can take seconds
        if jack_lsp -s "$JACK_DEFAULT_SERVER" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    echo "warning: the private JACK server did not start; end-to-end tests will skip" >&2
}
stop_private_jack() {
    if [[ -n "${JACK_PID:-}" ]]; then
        kill "$JACK_PID" 2>/dev/null || true
        wait "$JACK_PID" 2>/dev/null || true
    fi
}
