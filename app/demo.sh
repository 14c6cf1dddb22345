#!/usr/bin/env bash
# The demo: tarn-gateway with the demo fleet on a free loopback port, a scratch profile with that
# gateway and an unreachable one, and TarnTool connected to the first. Without a display the
# console runs offscreen, walks through its main states and writes screenshots to demo-shots/.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$top/build/bin
scratch=$(mktemp -d)
gateway_pid=""
cleanup() {
  [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null && wait "$gateway_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

mkfifo "$scratch/gw.out"
"$bin/tarn-gateway" --listen 127.0.0.1:0 --fleet "$top/gateway/demo/fleet.txt" --root "$scratch/fleet" \
  >"$scratch/gw.out" 2>"$scratch/gw.err" &
gateway_pid=$!
exec 3<"$scratch/gw.out"
read -r -t 10 first <&3 || { echo "demo: tarn-gateway did not start"; cat "$scratch/gw.err"; exit 1; }
cat <&3 >/dev/null &
port=${first##*:}
echo "demo: tarn-gateway with the demo fleet on 127.0.0.1:$port"

# An address nobody listens on: a port just taken and let go again.
closed=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()' 2>/dev/null || echo 9)
# Offscreen, the walk downloads files: into the scratch folder, never into the operator's home.
local_dir=$HOME
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  local_dir=$scratch/local
  mkdir -p "$local_dir"
fi
cat >"$scratch/TarnTool.ini" <<INI
[Gateway]
Count=2
Name1=Plant North
IP1=127.0.0.1
Port1=$port
Name2=Warehouse
IP2=127.0.0.1
Port2=$closed
[File Upload]
LocalDir=$local_dir
RemoteDir=\\
INI

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: starting TarnTool; close its window to end the demo"
  "$bin/TarnTool" --profile "$scratch/TarnTool.ini" --connect "Plant North"
else
  shots=$top/demo-shots
  rm -rf "$shots"
  echo "demo: no display; running offscreen, screenshots into demo-shots/"
  QT_QPA_PLATFORM=offscreen "$bin/TarnTool" --profile "$scratch/TarnTool.ini" --connect "Plant North" \
    --demo-shots "$shots"
fi
