#!/usr/bin/env bash
# Checks the demo mailbox in a real Quillbox window under Xvfb and saves the picture shown in the
# README (docs/demo-check.png). Needs a build with tests (./test.sh makes one in build/release).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/demo/demo-mailbox.sh
shooter=${1:-build/release/tests/app/app_screenshot}
demo=$(mktemp -d /tmp/quillbox-demo-shot-XXXXXX)
trap 'quillbox_demo_stop; rm -rf "$demo"' EXIT
quillbox_demo_start "$demo"
mkdir -p docs
(cd "$demo/profile" && QUILLBOX_HOME=$demo/profile/home QUILLBOX_REGISTRY=$demo/profile/registry.reg \
  xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb LANG=en_US.UTF-8 "$OLDPWD/$shooter" "$OLDPWD/docs" Demo)
echo "docs/demo-check.png and docs/message-window.png written"
