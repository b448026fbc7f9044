#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent; works as root or through sudo.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  # Qt 6
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  qt6-webengine-dev qt6-webengine-dev-tools qt6-declarative-dev libqt6webenginecore6-bin qt6-webchannel-dev
  qt6-multimedia-dev qt6-svg-dev qt6-image-formats-plugins
  libgl-dev
  # XMPP, SOAP, spelling
  libgloox-dev libgnutls28-dev libexpat1-dev gsoap libgsoap-dev libhunspell-dev hunspell-en-us
  libxss-dev libxcb-xkb-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  prosody lua-sec openssl xvfb xauth xfonts-base fonts-dejavu-core openbox
  # the demo: pressing Sign In on a virtual screen and taking its picture
  xdotool imagemagick
  # tests/e2e/manual/focus-check.sh: a tray, and another program's window
  trayer python3-tk
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

# Prosody is only a test fixture: the tests start their own instance.
if command -v systemctl >/dev/null 2>&1; then
  $SUDO systemctl disable --now prosody >/dev/null 2>&1 || true
fi
if command -v service >/dev/null 2>&1; then
  $SUDO service prosody stop >/dev/null 2>&1 || true
fi
