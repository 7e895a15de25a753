#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 that a fresh machine
# may lack. Safe to run again; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3 libsystemd-dev libcups2-dev libpq-dev
  cups-daemon cups-client postgresql
  python3 python3-olefile 7zip libgsf-bin libolecf-utils hyperfine python3-gi gir1.2-gsf-1
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
