#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated ECU on a pseudo-terminal and the tool
# connected to it, through a settings file in a temporary settings folder (WinDir). Closing the
# tool stops the simulator. Extra arguments go to the simulator (see corvane-ecu-sim --help),
# for example --mode compensated.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
SIM="$BUILD_DIR/sim/corvane-ecu-sim"
TOOL="$BUILD_DIR/src/app/corvane-diagnostic"

demo_dir=$(mktemp -d "${TMPDIR:-/tmp}/corvane-demo.XXXXXX")
sim_pid=""
stop() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$demo_dir"
}
trap stop EXIT
trap 'exit 130' INT TERM

link="$demo_dir/ecu"
# The engine idles, then the simulated driver revs it up and down, over and over.
"$SIM" --link "$link" --exec "script loop 850 2.8 4 2500 5.5 6 1800 4.0 5 850 2.8 5" "$@" >"$demo_dir/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    [ -e "$link" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$demo_dir/sim.log" >&2; echo "demo: the simulated ECU did not start" >&2; exit 1; }
    sleep 0.1
done
[ -e "$link" ] || { echo "demo: the simulated ECU did not publish $link" >&2; exit 1; }

printf 'COMPORT = %s\nCOM_AUTOSCAN = FALSE\n' "$link" >"$demo_dir/Corvane Diagnostic 1.01.ini"
echo "demo: simulated ECU on $link; close the tool to stop it"
WinDir="$demo_dir" "$TOOL"
