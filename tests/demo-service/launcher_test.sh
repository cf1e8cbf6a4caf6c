#!/usr/bin/env bash
# The launcher of the tool with the demo service: the service answers while the tool runs, is
# stopped when the tool ends, and a service already on the port is used and left running.
# Usage: launcher_test.sh LAUNCHER SERVICE
set -uo pipefail
launcher=$1
service=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A GET through bash's own /dev/tcp: prints the status line, or nothing when nobody answers.
status_line() {
    (
        exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 0
        printf 'GET /intf/search?content=%%abc HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&3
        timeout 5 head -n 1 <&3 | tr -d '\r'
    ) 2>/dev/null
}

# A free port: nobody answers there.
port=
for _ in $(seq 20); do
    candidate=$((20000 + RANDOM % 40000))
    if [ -z "$(status_line "$candidate")" ]; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "FAIL: no free port found" >&2; exit 1; }

# A stand-in for the tool: asks the service once and records what it saw.
cat >"$work/tool" <<TOOL
#!/usr/bin/env bash
$(declare -f status_line)
status_line $port >"$work/seen"
TOOL
chmod +x "$work/tool"

"$launcher" --tool "$work/tool" --service "$service" --port "$port" >"$work/out" 2>&1
[ "$(cat "$work/seen")" = "HTTP/1.1 200 OK" ] || fail "the tool did not reach the service: $(cat "$work/seen")"
grep -q "demo search service: http://127.0.0.1:$port" "$work/out" || fail "no address shown: $(cat "$work/out")"
[ -z "$(status_line "$port")" ] || fail "the service still answers after the tool ended"

# A service already on the port: the tool uses it, and it is still running afterwards.
"$service" --port "$port" >/dev/null 2>&1 &
earlier=$!
for _ in $(seq 50); do [ -n "$(status_line "$port")" ] && break; sleep 0.1; done
"$launcher" --tool "$work/tool" --service "$service" --port "$port" >"$work/out" 2>&1
[ "$(cat "$work/seen")" = "HTTP/1.1 200 OK" ] || fail "the tool did not reach the earlier service"
kill -0 "$earlier" 2>/dev/null || fail "the earlier service was stopped"
kill "$earlier"
wait "$earlier" 2>/dev/null

[ "$failures" -eq 0 ] && echo "launcher: all checks passed"
exit "$failures"
