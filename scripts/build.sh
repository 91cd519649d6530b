#!/usr/bin/env bash
# Installs the Debian packages, configures and builds Quillane into build/ and assembles
# the application folder build/app/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
