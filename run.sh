#!/usr/bin/env bash
# Builds Quillbox and starts it with a demo mailbox: a private POP3 server on 127.0.0.1 holding a
# dozen sample messages, in a demo profile of its own (your real settings are not touched).
# The server stops when Quillbox exits. Installs the missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
source tools/demo/demo-mailbox.sh
quillbox_ensure_packages "${QUILLBOX_BUILD_PACKAGES[@]}"

cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DQUILLBOX_TESTS=OFF -DQUILLBOX_BENCH=OFF >/dev/null
cmake --build build/run -j"$(nproc)" --target quillbox
program=$PWD/build/run/app/quillbox

demo=$PWD/build/run/demo
trap quillbox_demo_stop EXIT
trap 'exit 130' INT TERM HUP  # the EXIT trap still stops the server
if quillbox_demo_start "$demo"; then
  echo "Demo mailbox on 127.0.0.1:$QUILLBOX_DEMO_PORT. Choose \"Demo\" under \"Check Mail\"."
  cd "$demo/profile"
  # The demo's password stays in its own settings file, out of your desktop keyring.
  QUILLBOX_NO_KEYRING=1 QUILLBOX_HOME=$demo/profile/home QUILLBOX_REGISTRY=$demo/profile/registry.reg "$program" "$@"
else
  "$program" "$@"
fi
