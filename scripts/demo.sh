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

# Ghosts with Shift_JIS description files: three in the host's ghost folder
# (表示 holds a 0x5C byte), one in the user's own work folder, and one staged
# outside both, which the session installs while it runs.
/usr/bin/python3 - "$work" <<'PY'
import os, sys
ghosts = [("ssp/ghost/momiji", "紅葉の庭", "紅葉"), ("ssp/ghost/表示", "ソフト開発部", "表示子"),
          ("ssp/ghost/yuki", "雪国", "ゆき"), ("ghost-dev/ghost/wip", "作りかけ", "試作子"),
          ("incoming/shinjin", "新入り", "新子")]
for folder, name, sakura in ghosts:
    master = os.path.join(sys.argv[1], folder, "ghost", "master")
    os.makedirs(master)
    text = f"charset,Shift_JIS\r\ntype,ghost\r\nname,{name}\r\nsakura.name,{sakura}\r\nkero.name,うにゅう\r\n"
    with open(os.path.join(master, "descript.txt"), "wb") as f:
        f.write(text.encode("cp932"))
PY

ghost_root=$(winpath "$work/ssp/ghost/")
dev_root=$(winpath "$work/ghost-dev/ghost/")
esc() { sed 's/\\/\\\\/g' <<<"$1"; }  # hostsim reads \ as an escape
session="$work/session.txt"
cat >"$session" <<SESSION
# hostsim has called load with the plug-in folder; the recognizer starts.
GET version

# The host names its ghost folders, each with a trailing backslash: its own,
# then the user's work folder.
NOTIFY ghostpathlist
Reference0: $(esc "$ghost_root")
Reference1: $(esc "$dev_root")

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

# The ghost from the work folder starts too.
NOTIFY OnGhostBoot
Reference0: 65800\\x0165804
Reference1: 作りかけ
Reference2: master
Reference3: wip
Reference4: $(esc "$dev_root")wip\\\\

# A few seconds of timer ticks: from the third tick with the recognizer's
# window present, each tick announces the three running ghosts again.
pump 2500

# The user installs a new ghost: it lands in the host's ghost folder, the
# host reports the install, and the new ghost starts.
move $(esc "$(winpath "$work/incoming/shinjin")") $(esc "$ghost_root")shinjin
NOTIFY OnInstallComplete
Reference0: ghost
Reference1: 新入り
Reference2: $(esc "$ghost_root")shinjin\\\\

NOTIFY OnGhostBoot
Reference0: 65900\\x0165904
Reference1: 新入り
Reference2: master
Reference3: shinjin
Reference4: $(esc "$ghost_root")shinjin\\\\

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
echo "Ghost folders:  $ghost_root $dev_root"
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
