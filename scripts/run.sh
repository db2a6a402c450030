#!/usr/bin/env bash
# Sets up, builds everything and starts the Linux desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
exec build/linux/ui/qt/vennox "$@"
