#!/usr/bin/env bash
# The executable with no display at all: a clear message and status 1, where Qt
# itself would abort.
set -u
saida=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" 000123 L2301 F 12/2027 maria 2>&1)
status=$?
echo "$saida"
if [ "$status" -ne 1 ]; then
  echo "exit status $status, expected 1"
  exit 1
fi
if ! grep -q "DISPLAY e WAYLAND_DISPLAY" <<<"$saida"; then
  echo "the message does not say why"
  exit 1
fi
