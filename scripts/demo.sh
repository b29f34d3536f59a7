#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool connected to the simulated ECU.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ ! -x build/src/app/corvane-diagnostic ]; then
    echo "demo: built. The program and the simulated ECU are not there yet; run scripts/test.sh for the tests."
    exit 0
fi
