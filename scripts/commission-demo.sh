#!/usr/bin/env bash
# Commissions two simulated motors in a row, as a production line would: each arrives with
# the factory IDs (0x01, master 0x11), gets IDs of its own and the line's parameters (saved
# to flash), is read back, enabled and disabled. zkmotor plays the motor on the serial
# adapter: a pseudo-terminal whose path it prints.
# Usage: scripts/commission-demo.sh [DIR with zktool-cli and zkmotor; default: from PATH]
set -euo pipefail
dir=${1:+$1/}
work=$(mktemp -d)
motor_pid=
trap '[ -n "$motor_pid" ] && kill "$motor_pid" 2>/dev/null; rm -rf "$work"' EXIT

cat > "$work/line.txt" <<'PARAMS'
PMAX: 3.14
VMAX: 20
TMAX: 8
KP_APR: 25
PARAMS

for n in 1 2; do
    id=$((0x20 + n)) master=$((0x30 + n))
    "${dir}zkmotor" --id 1 --master 0x11 > "$work/port$n" 2>/dev/null &
    motor_pid=$!
    until [ -s "$work/port$n" ]; do sleep 0.05; done
    cli=("${dir}zktool-cli" --port "$(head -n 1 "$work/port$n")")

    "${cli[@]}" scan
    "${cli[@]}" set-id --id "$id" --master "$master"
    "${cli[@]}" --id "$id" import "$work/line.txt"
    "${cli[@]}" --id "$id" --json read > "$work/read.json"
    grep -q "\"MST_ID\":$master," "$work/read.json" && grep -q '"PMAX":3.14,' "$work/read.json" ||
        { echo "motor $n: read back $(cat "$work/read.json")" >&2; exit 1; }
    "${cli[@]}" --id "$id" enable
    "${cli[@]}" --id "$id" disable
    kill "$motor_pid"; wait "$motor_pid" 2>/dev/null || true; motor_pid=
    echo "motor $n commissioned as $(printf '0x%02x, master 0x%02x' "$id" "$master")"
done
