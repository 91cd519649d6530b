#!/usr/bin/env bash
# Installs, builds and starts Quillane.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/app/quillane
