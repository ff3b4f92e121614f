#!/usr/bin/env bash
# Runs a Windows test program under Wine, or exits 77 (skipped, for ctest) saying why Wine
# cannot run here. Usage: tests/under_wine.sh PROGRAM [ARGS...]
set -euo pipefail
command -v wine >/dev/null || {
  echo "SKIP: wine is missing"
  exit 77
}
# The prefix is made on the first start; a machine where that fails cannot run the tests.
if ! timeout 300 wine cmd /c exit >/dev/null 2>&1; then
  echo "SKIP: wine cannot start Windows programs here (prefix ${WINEPREFIX:-~/.wine})"
  exit 77
fi
exec wine "$@"
