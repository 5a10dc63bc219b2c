#!/usr/bin/env bash
# The release: builds the i686 vokira.dll and config.exe, packs them with the
# texts of package/ into build/release/vokira.nar, the archive an SSP user
# drops on the host, and checks the archive.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32 >build.log 2>&1 || { tail -n 40 build.log; echo "build failed (build.log)"; exit 1; }
/usr/bin/python3 scripts/pack_nar.py build/win32/bin build/release/vokira.nar
/usr/bin/python3 tests/static/check_nar.py build/release/vokira.nar
