#!/usr/bin/env bash
# Builds Quillbox and starts it with a demo mailbox: a private POP3 server on 127.0.0.1 holding a
# dozen sample messages, in a demo profile of its own (your real settings are not touched). The
# profile is kept between runs; ./run.sh --reset starts it afresh. The server stops when Quillbox
# exits. Installs the missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")"
reset=0
args=()
for arg in "$@"; do
  if [ "$arg" = "--reset" ]; then reset=1; else args+=("$arg"); fi
done
source tools/packages.sh
source tools/demo/demo-mailbox.sh
quillbox_ensure_packages "${QUILLBOX_BUILD_PACKAGES[@]}"

cmake -S . -B build/run -DCMAKE_BUILD_TYPE=Release -DQUILLBOX_TESTS=OFF -DQUILLBOX_BENCH=OFF >/dev/null
cmake --build build/run -j"$(nproc)" --target quillbox
program=$PWD/build/run/app/quillbox

demo=$PWD/build/run/demo
mkdir -p "$demo"
# One demo at a time: a second would take the first one's server away. Only this shell holds
# the lock, not the server or the program.
exec 9>"$demo/lock"
flock -n 9 || { echo "The demo is already running (close its Quillbox first)." >&2; exit 1; }
[ $reset -eq 1 ] && quillbox_demo_reset "$demo"
trap quillbox_demo_stop EXIT
trap 'exit 130' INT TERM HUP  # the EXIT trap still stops the server
if quillbox_demo_start "$demo" 9>&-; then
  echo "Demo mailbox on 127.0.0.1:$QUILLBOX_DEMO_PORT. Choose \"Demo\" under \"Check Mail\"."
  cd "$demo/profile"
  # The demo's password stays in its own settings file, out of your desktop keyring.
  QUILLBOX_NO_KEYRING=1 QUILLBOX_HOME=$demo/profile/home QUILLBOX_REGISTRY=$demo/profile/registry.reg "$program" ${args[@]+"${args[@]}"} 9>&-
else
  "$program" ${args[@]+"${args[@]}"} 9>&-
fi
