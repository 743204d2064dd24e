#!/usr/bin/env bash
# Runs a command in a private mount namespace where the central server's share
# \\SERVIDOR\MAGNOLIA is a fresh tmpfs mounted under the source name //SERVIDOR/MAGNOLIA,
# and the name SERVIDOR resolves to 127.0.0.1 (a hosts file bound over /etc/hosts
# inside the namespace only). The mount point is exported as TESSELA_COMPARTILHAMENTO.
# Exits 77 (skipped) when no private mount namespace can be made.
set -euo pipefail

if [ "${TESSELA_DENTRO_DO_NAMESPACE:-}" != 1 ]; then
  if ! unshare -m --propagation private true 2>/dev/null; then
    echo "skipped: no private mount namespace here (needs root and unshare)" >&2
    exit 77
  fi
  export TESSELA_DENTRO_DO_NAMESPACE=1
  exec unshare -m --propagation private "$0" "$@"
fi

base=$(mktemp -d /tmp/tessela-share.XXXXXX)
mkdir -p "$base/MAGNOLIA"
mount -t tmpfs -o size=64m //SERVIDOR/MAGNOLIA "$base/MAGNOLIA"
mkdir -p "$base/MAGNOLIA/Interfac03"
{ cat /etc/hosts 2>/dev/null; echo "127.0.0.1 SERVIDOR servidor"; } >"$base/hosts"
mount --bind "$base/hosts" /etc/hosts
export TESSELA_COMPARTILHAMENTO="$base/MAGNOLIA"
unset TESSELA_DENTRO_DO_NAMESPACE
status=0
"$@" || status=$?
umount /etc/hosts "$base/MAGNOLIA" 2>/dev/null || true
rm -rf "$base"
exit "$status"
