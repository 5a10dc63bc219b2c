#!/usr/bin/env bash
# The main job: builds everything, packs the release, installs the package
# into a temporary host-like tree (a plug-in folder and a ghost folder with
# three Japanese ghosts), and plays a host session against it with hostsim.
# The session plays the package's own i686 vokira.dll and config.exe, driven
# by the i686 hostsim, with the i686 stub standing in for the recognizer
# vokira.exe; only where this machine cannot run 32-bit programs does it fall
# back to the x86-64 build, and says so first. The settings window that the
# menu event opens is captured as a PNG. Everything is printed in UTF-8.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
echo "Building and packing the release (log: build.log) ..."
bash scripts/build.sh win64 win32 >build.log 2>&1 || { tail -n 40 build.log; exit 1; }
bash scripts/release.sh >>build.log 2>&1 || { tail -n 40 build.log; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vokira-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }  # Wine maps / to drive Z:

# Install as the host does: the archive's files into plug-in folder + directory.
directory=$(tr -d '\r' <<<"$(unzip -p build/release/vokira.nar install.txt)" | sed -n 's/^directory,//p')
plugin="$work/ssp/plugin/$directory"
mkdir -p "$plugin" "$work/ssp/ghost"
unzip -q build/release/vokira.nar -d "$plugin"
rm "$plugin/install.txt"
# The package's files stay as built. Only a machine that cannot run 32-bit
# programs gets the same sources built for x86-64 in their place.
if probe=$(scripts/can-run-i686); then
  bin=build/win32/bin
  echo "Playing the i686 build: the package's own vokira.dll and config.exe, i686 hostsim and stub."
else
  bin=build/win64/bin
  cp "$bin/vokira.dll" "$bin/config.exe" "$plugin/"
  echo "Playing the x86-64 build, NOT the i686 release binaries: $probe."
  echo "The package's vokira.dll and config.exe are replaced by x86-64 builds of the same sources."
fi
cp "$bin/wrapper-stub.exe" "$plugin/vokira.exe"

# Three ghosts with Shift_JIS description files; 表示 holds a 0x5C byte.
/usr/bin/python3 - "$work/ssp/ghost" <<'PY'
import os, sys
ghosts = [("momiji", "紅葉の庭", "紅葉"), ("表示", "ソフト開発部", "表示子"), ("yuki", "雪国", "ゆき")]
for folder, name, sakura in ghosts:
    master = os.path.join(sys.argv[1], folder, "ghost", "master")
    os.makedirs(master)
    text = f"charset,Shift_JIS\r\ntype,ghost\r\nname,{name}\r\nsakura.name,{sakura}\r\nkero.name,うにゅう\r\n"
    with open(os.path.join(master, "descript.txt"), "wb") as f:
        f.write(text.encode("cp932"))
PY

ghost_root=$(winpath "$work/ssp/ghost/")
esc() { sed 's/\\/\\\\/g' <<<"$1"; }  # hostsim reads \ as an escape
session="$work/session.txt"
cat >"$session" <<SESSION
# hostsim has called load with the plug-in folder; the recognizer starts.
GET version

# The host names its ghost folder, with a trailing backslash.
NOTIFY ghostpathlist
Reference0: $(esc "$ghost_root")

# Two ghosts start. Reference0 carries their window handles joined by 0x01.
NOTIFY OnGhostBoot
Reference0: 65636\\x0165640
Reference1: 紅葉の庭
Reference2: master
Reference3: momiji
Reference4: $(esc "$ghost_root")momiji\\\\

NOTIFY OnGhostBoot
Reference0: 65700\\x0165704
Reference1: ソフト開発部
Reference2: master
Reference3: hyouji
Reference4: $(esc "$ghost_root")表示\\\\

# A few seconds of timer ticks: from the third tick with the recognizer's
# window present, each tick announces both running ghosts again.
pump 2500

NOTIFY OnGhostExit
Reference0: 65636\\x0165640
Reference1: 紅葉の庭
Reference2: master
Reference3: momiji
Reference4: $(esc "$ghost_root")momiji\\\\

pump 1000

# The user picks the plug-in in the host's menu: the settings window opens.
NOTIFY OnMenuExec
Reference0: 0

pump 5000
unload
SESSION

shot="$PWD/build/demo-settings-window.png"
rm -f "$shot"
echo
echo "Plug-in folder: $(winpath "$plugin")"
echo "Ghost folder:   $ghost_root"
echo "Installed:      $(cd "$plugin" && ls | tr '\n' ' ')"
echo
echo "== The host session (hostsim: each call, request and reply)"
# As on a Japanese Windows: Wine takes code page 932 from the locale.
LC_ALL=ja_JP.UTF-8 scripts/with-wine bash -c '
  scripts/wine-run "$6/hostsim.exe" "$1/vokira.dll" "$2" "$3" >"$5" &
  host=$!
  # hostsim reports the last pump once OnMenuExec has been answered; give the
  # settings window a moment to paint, then capture the screen.
  for _ in $(seq 300); do
    if grep -q "pump 5000" "$5"; then
      sleep 2
      import -window root "$4" 2>/dev/null || true
      break
    fi
    sleep 0.1
  done
  wait "$host"
  sleep 1  # the stub logs its exit after WM_CLOSE' _ "$plugin" "$(winpath "$plugin")" "$session" "$shot" "$work/host.log" "$bin"
cat "$work/host.log"
echo
echo "== What the stand-in recognizer (vokira.exe) received, from its log"
sed 's/^/  /' "$plugin/wrapper-stub.log" 2>/dev/null || echo "  (nothing: it was not started)"
echo
if [ -s "$shot" ]; then
  echo "== The settings window opened by OnMenuExec: $shot"
else
  echo "== The settings window was not captured"
fi
