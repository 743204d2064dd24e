#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that the build, the tests and the
# program need. Idempotent and quiet when everything is already there. Exits 0 once
# everything is installed, whatever the machine held before; otherwise non-zero with
# the reason on standard error.
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
  # the window on a Wayland display, where there is no X server
  qt6-wayland
  util-linux procps iproute2 python3 file dpkg-dev locales
  # a real SMB share for the tests: a private smbd, mounted through gvfs on a D-Bus
  # session of the test's own; python3-samba holds files open as another client would
  samba smbclient python3-samba gvfs-backends gvfs-fuse libglib2.0-bin dbus
  # the Debian package's checks: lintian, and man for its manual page
  lintian man-db groff-base
)

# The machine's service policy, replaced while apt-get runs (tests point it elsewhere).
policy=${TESSELA_POLICY_RC_D:-/usr/sbin/policy-rc.d}

falha() {
  echo "setup: $*" >&2
  exit 1
}

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

[ "$(id -u)" -eq 0 ] || falha "missing packages: ${missing[*]}; run this script as root"

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The tests run their own Firebird server and cupsd; the machine's services must not
# start on install, or they would take port 3050 from the private server. A policy the
# machine already has may allow them, so it is set aside and given back afterwards.
guardada=""
if [ -e "$policy" ] || [ -L "$policy" ]; then
  guardada=$(mktemp "$policy.tessela.XXXXXX") || falha "cannot set $policy aside"
  mv -f "$policy" "$guardada" || falha "cannot set $policy aside"
fi
devolver() {
  rm -f "$policy"
  if [ -n "$guardada" ] && ! mv -f "$guardada" "$policy"; then
    echo "setup: could not give $policy back; the machine's own is $guardada" >&2
    exit 1
  fi
}
trap devolver EXIT
printf '#!/bin/sh\nexit 101\n' >"$policy"
chmod 755 "$policy"

registro=$(mktemp /tmp/tessela-apt.XXXXXX.log)
apt-get update -qq >"$registro" 2>&1 || {
  tail -n 40 "$registro" >&2
  falha "apt-get update failed (log: $registro)"
}
apt-get install -y -qq --no-install-recommends "${missing[@]}" >>"$registro" 2>&1 || {
  tail -n 40 "$registro" >&2
  falha "apt-get install failed (log: $registro)"
}
rm -f "$registro"
exit 0
