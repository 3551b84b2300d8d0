#!/usr/bin/env bash
# Builds Quillbox and starts it. Installs the missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
quillbox_ensure_packages "${QUILLBOX_BUILD_PACKAGES[@]}"

cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DQUILLBOX_TESTS=OFF -DQUILLBOX_BENCH=OFF >/dev/null
cmake --build build/run -j"$(nproc)" --target quillbox
exec build/run/app/quillbox "$@"
