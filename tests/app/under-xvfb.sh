#!/bin/sh
# Runs a program under a virtual X server. Without xvfb-run the test is skipped (77), except in
# CI, where ./test.sh has installed it and its absence is a failure.
if ! command -v xvfb-run >/dev/null 2>&1; then
  [ "$CI" = "true" ] && { echo "xvfb-run is missing" >&2; exit 1; }
  exit 77
fi
# Under AddressSanitizer: libxkbcommon-x11 (the X keyboard setup) hands strndup a string that
# is not terminated within the length it gives, which the strndup interceptor reports although
# only the terminated part is used. That is a system library's, not ours: leave strndup alone.
if [ -n "${ASAN_OPTIONS+x}" ]; then
  export ASAN_OPTIONS="${ASAN_OPTIONS}:intercept_strndup=0"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb "$@"
