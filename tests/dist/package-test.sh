#!/usr/bin/env bash
# The Debian package, as a user gets it. "build" makes it with cpack from the built tree and
# unpacks it into a throw-away root with dpkg-deb -x (the machine running the test never has it
# installed); the other steps each check one thing of that root. A missing tool skips (77) on a
# developer's machine and fails in CI.
# Usage: package-test.sh STEP BUILD_DIR PACKAGE_DIR
set -uo pipefail
step=$1 build=$2 out=$3
root=$out/root

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    echo "tool missing: $tool"
    [ "${CI:-}" = "true" ] && exit 1
    exit 77
  done
}
fail() { echo "FAILED: $*"; exit 1; }
deb() { ls "$out"/quillbox_*.deb 2>/dev/null | head -n 1; }

case $step in
build)
  need cpack dpkg-deb dpkg-shlibdeps
  rm -rf "$out" && mkdir -p "$out" || exit 1
  (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack"; }
  [ -n "$(deb)" ] || fail "no package in $out"
  dpkg-deb -x "$(deb)" "$root" || fail "dpkg-deb -x"
  echo "built $(basename "$(deb)")"
  ;;
InstalledFiles)
  need dpkg-deb
  expected="./usr/bin/quillbox
./usr/share/applications/quillbox.desktop
./usr/share/doc/quillbox/manual.html
./usr/share/icons/hicolor/scalable/apps/quillbox.svg
./usr/share/man/man1/quillbox.1.gz
./usr/share/metainfo/example.quillbox.Quillbox.metainfo.xml"
  actual=$(dpkg-deb -c "$(deb)" | grep -v '^d' | awk '{print $6}' | sort)
  [ "$actual" = "$expected" ] || fail "the package holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
  [ -x "$root/usr/bin/quillbox" ] || fail "the program is not executable"
  ;;
Control)
  need dpkg-deb
  field() { dpkg-deb -f "$(deb)" "$1"; }
  [ "$(field Package)" = quillbox ] || fail "Package: $(field Package)"
  [ "$(field Version)" = "$QUILLBOX_VERSION" ] || fail "Version: $(field Version)"
  [ "$(field Description | head -n 1)" = "$QUILLBOX_SUMMARY" ] || fail "Description: $(field Description | head -n 1)"
  [ "$(field Section)" = mail ] || fail "Section: $(field Section)"
  # Worked out from the program's libraries: Qt's widgets, the C++ runtime, OpenSSL, libsecret.
  depends=$(field Depends)
  names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
  for lib in libc6 libstdc++6 libqt6widgets6 libqt6dbus6 libssl3 libsecret-1-0; do
    grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
  done
  ;;
AppStreamValid)
  need appstreamcli
  file=$root/usr/share/metainfo/example.quillbox.Quillbox.metainfo.xml
  appstreamcli validate --no-net "$file" || fail "appstreamcli validate"
  grep -q "<release version=\"$QUILLBOX_VERSION\"" "$file" || fail "no release $QUILLBOX_VERSION"
  grep -q "<image>$QUILLBOX_SCREENSHOT_URL</image>" "$file" || fail "no screenshot at $QUILLBOX_SCREENSHOT_URL"
  ;;
DesktopEntryValid)
  need desktop-file-validate
  desktop-file-validate "$root/usr/share/applications/quillbox.desktop" || fail "desktop-file-validate"
  ;;
ManPage)
  need man
  page=$root/usr/share/man/man1/quillbox.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man reports: $warnings"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null)
  for words in "quillbox - $QUILLBOX_SUMMARY" "/usr/share/doc/quillbox/manual.html" "registry.reg" "QUILLBOX_HOME"; do
    grep -qF -- "$words" <<<"$text" || fail "the manual page does not say \"$words\""
  done
  ;;
ProgramStarts)
  # The unpacked program in a profile of its own, offscreen: it says when its window is shown.
  home=$(mktemp -d /tmp/quillbox-package-XXXXXX)
  trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$home"' EXIT
  QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="quillbox.window.info=true" QUILLBOX_NO_KEYRING=1 \
    QUILLBOX_HOME=$home/data QUILLBOX_REGISTRY=$home/registry.reg XDG_RUNTIME_DIR=$home HOME=$home \
    "$root/usr/bin/quillbox" >"$home/log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do
    grep -q "window shown: Quillbox" "$home/log" && exit 0
    kill -0 "$pid" 2>/dev/null || { cat "$home/log"; fail "the program ended before its window showed"; }
    sleep 0.2
  done
  cat "$home/log"
  fail "no window within 20 seconds"
  ;;
*)
  fail "unknown step $step"
  ;;
esac
