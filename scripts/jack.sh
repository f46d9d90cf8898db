#!/usr/bin/env bash
# Starts or stops the JACK server (dummy driver) that the transport tests and benchmarks use.
#   scripts/jack.sh start   starts jackd unless one already answers; writes its PID to build/jackd.pid
#   scripts/jack.sh stop    stops the server this script started (and only that one)
set -euo pipefail
cd "$(dirname "$0")/.."
pidfile=build/jackd.pid
export JACK_NO_START_SERVER=1

case "${1:-}" in
  start)
    mkdir -p build
    if jack_lsp >/dev/null 2>&1; then
      echo "jack: a server is already running; using it"
      exit 0
    fi
    jackd --no-realtime -d dummy -r 48000 -p 128 >build/jackd.log 2>&1 &
    echo $! >"$pidfile"
    # jack_wait -w waits for the server; bound it so that a server that never comes up fails the run.
    if ! timeout 20 jack_wait -w >/dev/null 2>&1; then
      echo "jack: the server did not start; its log:" >&2
      cat build/jackd.log >&2 || true
      exit 1
    fi
    echo "jack: dummy server running (pid $(cat "$pidfile"))"
    ;;
  stop)
    if [ -f "$pidfile" ]; then
      pid=$(cat "$pidfile")
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
      rm -f "$pidfile"
      echo "jack: server stopped"
    fi
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
