#!/usr/bin/env bash
# Builds everything and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
# Twice: as on a server (C.UTF-8) and as on a comma-decimal lab machine (de_DE.UTF-8).
for region in C.UTF-8 de_DE.UTF-8; do
  echo "== tests under LANG=$region"
  env -u LC_ALL -u LANGUAGE -u LC_NUMERIC -u LC_TIME LANG="$region" QT_QPA_PLATFORM=offscreen ctest --preset default
done
