# Installs the Debian packages that are missing, and only those (sourced by run.sh and test.sh).
# Debian starts the services of a package it installs; Quillbox only ever runs a private Dovecot
# on 127.0.0.1, so service starts are forbidden while installing (policy-rc.d), and the rule is
# taken away again unless one was already in place.

quillbox_ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Missing packages (${missing[*]}) and no sudo to install them." >&2; return 1; }
    sudo="sudo"
  fi
  echo "Installing: ${missing[*]}"
  local policy=/usr/sbin/policy-rc.d placed=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# placed by Quillbox while installing packages\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    placed=1
  fi
  local status=0
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq || status=$?
  if [ $status -eq 0 ]; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" || status=$?
  fi
  [ $placed -eq 1 ] && $sudo rm -f "$policy"
  return $status
}

# What building and running needs, and what the test suite needs on top (dpkg-dev also makes the
# Debian package with cpack -G DEB).
QUILLBOX_BUILD_PACKAGES=(g++ cmake make pkgconf qt6-base-dev libgl-dev libssl-dev libsecret-1-dev openssl ca-certificates media-types dovecot-pop3d)
QUILLBOX_TEST_PACKAGES=(googletest libgtest-dev openssl python3 libpython3.11-testsuite xvfb xauth dbus-daemon gnome-keyring dpkg-dev appstream desktop-file-utils man-db at-spi2-core python3-pyatspi)
