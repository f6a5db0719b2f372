#!/usr/bin/env bash
# The Linux collector between cycles, as strace -c sees it: a running vemlo
# with no cycle due (IntervalTime 99) is traced for one idle minute, and then
# SIGTERM ends it. A collector that polls or ticks shows calls by the dozen;
# vemlo shows the one wait it slept in for the whole minute (-w: wall time),
# then the few calls of its stop (the log line, the exit).
#
#   bench/idle_syscalls.sh [VEMLO [SECONDS]]    (default build/linux/vemlo, 60)
#
# Needs strace and the right to trace one's own processes (root, or Yama's
# kernel.yama.ptrace_scope 0); tests/native/collector_test.py Idle checks the
# same from the start of a traced run, without that right.
set -eu
vemlo=${1:-build/linux/vemlo}
seconds=${2:-60}
command -v strace >/dev/null || { echo "strace is not installed (apt-get install strace)" >&2; exit 2; }
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
(umask 077 && printf '[%s]\r\nLOGURI=http://127.0.0.1:9/system.log\r\nSaveFolder=%s/archive/\r\nIntervalTime=99\r\n' \
  "$(id -un)" "$work" >"$work/vemlo.ini")
"$vemlo" --config "$work/vemlo.ini" 2>"$work/stderr" &
pid=$!
# Started once its first line is out.
for _ in $(seq 100); do [ -s "$work/stderr" ] && break; sleep 0.05; done
echo "vemlo (pid $pid) idle, traced for $seconds s, then stopped:"
strace -f -c -w -p "$pid" -o "$work/summary" &
tracer=$!
sleep "$seconds"
kill -TERM "$pid"
wait "$tracer" || true
wait "$pid" || true
pid=
cat "$work/summary"
