#!/usr/bin/env bash
# The main job: builds everything, then plays a host session with hostsim
# against vokira.dll, the stub standing in for the recognizer vokira.exe, and
# shows the replies and what the stub received.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win64 win32 >build.log 2>&1 || { tail -n 40 build.log; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vokira-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
plugin="$work/plugin"
mkdir -p "$plugin"
cp build/win64/bin/vokira.dll "$plugin/"
cp build/win64/bin/wrapper-stub.exe "$plugin/vokira.exe"
windir="Z:${plugin//\//\\}"  # Wine maps / to drive Z:

echo "Plug-in directory: $windir"
echo "Script: tools/hostsim/demo-session.txt"
echo
scripts/with-wine bash -c '
  scripts/wine-run build/win64/bin/hostsim.exe "$1/vokira.dll" "$2" tools/hostsim/demo-session.txt
  # WM_CLOSE was sent at unload; give the stub a moment to log its exit.
  sleep 1' _ "$plugin" "$windir"
echo
echo "What the stand-in recognizer (vokira.exe) received, from its log:"
sed 's/^/  /' "$plugin/wrapper-stub.log" 2>/dev/null || echo "  (nothing: it was not started)"
