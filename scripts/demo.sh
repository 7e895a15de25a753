#!/usr/bin/env bash
# A realistic first session with vekcfg on a fresh VEK_HOME: a logical printer
# and two physical printers set up, wired and listed, and the events shown.
# Usage: scripts/demo.sh [DIR]   (DIR: the VEK_HOME to fill; default a new
# temporary directory, which is kept so that it can be looked into). VEKCFG
# names another vekcfg binary than build/tools/vekcfg/vekcfg.
set -euo pipefail
cd "$(dirname "$0")/.."
home="${1:-$(mktemp -d /tmp/vek-demo.XXXXXX)}"
tool="${VEKCFG:-build/tools/vekcfg/vekcfg}"
vekcfg() { "$tool" --home "$home" "$@"; }
step() { printf '\n$ vekcfg %s\n' "$*"; vekcfg "$@"; }

logical_class='{6B4B6B21-B4DC-11D0-BE11-00609753E52B}'
queue_class='{F63D7D81-CAC4-11CF-B006-00A0240D2824}'
scsi_class='{498411D1-BFC1-11CF-AED7-00A0240D26F3}'
front_desk='{5E1C0A00-7D3B-4F21-9A6E-0C4B2D8E1F01}'
queue_broker='{7A1E5C30-2B4D-4E8F-9C61-3D5A7B9E0F12}'
scsi_broker='{7A1E5C30-2B4D-4E8F-9C61-3D5A7B9E0F13}'

echo "VEK_HOME=$home"
step settings
step categories register
step broker set "$queue_class" "$queue_broker"
step broker set "$scsi_class" "$scsi_broker"
step object create "$front_desk" --type logical --class "$logical_class"
step object set "$front_desk" UserDescription "Front desk"
step object set "$front_desk" Location "Ground floor"
step object set "$front_desk" PrinterModel "ZRT 4300"
step object register "$front_desk"
step discover print-queue
step setup-printer print-queue Office_Laser --model "ZRT 4300" \
    --description "Office laser" --location "Room 12" --connect "$front_desk" --unattached
step setup-printer scsi-printer 2-0-5-0 --model "QS 4350" --model "ZRT 4300" \
    --description "Proof press" --location "Print room" --connect "$front_desk" --unattached
step wire candidates "$front_desk"
step object show "$front_desk"
step events
step class objects "$logical_class"
step class objects "$queue_class"
step class objects "$scsi_class"
