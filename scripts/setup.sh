#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that the build, the tests and the
# program need. Idempotent and quiet when everything is already there.
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ make clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  firebird-dev libcups2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # quality gates: fuzzers and sanitizers; peak memory of the start-up measurement
  clang libclang-rt-14-dev time
  # run time: database client, print system
  libfbclient2
  # test and demo servers and tools
  firebird3.0-server firebird3.0-utils
  cups cups-client cups-daemon printer-driver-cups-pdf
  poppler-utils xvfb xdotool x11-utils x11-apps netpbm fonts-dejavu-core
  util-linux procps iproute2 python3 file dpkg-dev locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run this script as root" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The tests run their own Firebird server and cupsd; the machine's services must not
# start on install, or they would take port 3050 from the private server.
policy=/usr/sbin/policy-rc.d
created_policy=no
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy"
  chmod +x "$policy"
  created_policy=yes
fi
cleanup() { [ "$created_policy" = yes ] && rm -f "$policy"; }
trap cleanup EXIT

apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/tessela-apt.log 2>&1 || {
  tail -n 40 /tmp/tessela-apt.log >&2
  exit 1
}
