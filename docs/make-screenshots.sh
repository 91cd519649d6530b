#!/usr/bin/env bash
# Renders the README's pictures into docs/images/ (offscreen, private home, loopback site).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target quillane_screenshots
QT_QPA_PLATFORM=offscreen build/tests/quillane_screenshots docs/images
