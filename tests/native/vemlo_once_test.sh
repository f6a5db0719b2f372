#!/usr/bin/env bash
# vemlo --once against the router simulator: one cycle, day files made, the
# error on standard error with exit code 1.
set -u
vemlo=$1
fail=0
check() { if [ "$2" != "$3" ]; then echo "FAIL $1: got [$2] want [$3]"; fail=1; else echo "ok $1"; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '2024/01/30 23:59:59 a\r\n2024/01/31 00:00:01 b\n' > "$VEMLO_SIM_DIR/bodies/system.log"
url="http://127.0.0.1:$VEMLO_SIM_PORT/basic=admin:pw/system.log"

"$vemlo" --once --user admin --password pw --url "$url" --folder "$work/archive"
check "exit code of a good cycle" "$?" 0
same_bytes() { if cmp -s "$2" <(printf "$3"); then echo "ok $1"; else echo "FAIL $1:"; od -c "$2"; fail=1; fi; }
same_bytes "day file 20240130" "$work/archive/2024/20240130.log" '2024/01/30 23:59:59 a\r\n'
same_bytes "day file 20240131" "$work/archive/2024/20240131.log" '2024/01/31 00:00:01 b\r\n'
check "files in the archive" "$(cd "$work/archive" && find . -type f | sort | tr '\n' ' ')" "./2024/20240130.log ./2024/20240131.log "

err=$("$vemlo" --once --user admin --password wrong --url "$url" --folder "$work/archive" 2>&1 >/dev/null)
check "exit code of a refused login" "$?" 1
check "message of a refused login" "$err" "HTTP 401 Unauthorized"

err=$("$vemlo" --once --user admin --password pw --url "" --folder "$work/archive" 2>&1 >/dev/null)
check "message of an empty address" "$err" "TIEHTTP: no url in execute method"

"$vemlo" --bogus >/dev/null 2>&1
check "exit code of a bad command line" "$?" 2

if [ $fail -eq 0 ]; then echo "vemlo --once: all checks passed"; fi
exit $fail
