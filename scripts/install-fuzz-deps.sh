#!/usr/bin/env bash
# Installs what `make fuzz` needs beyond the ordinary build, when missing: Clang and its
# runtime libraries, which hold libFuzzer (libclang_rt.fuzzer) and the sanitizers.
set -euo pipefail

packages=(clang libclang-rt-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The runtime must belong to the clang that builds: say so plainly when it does not.
runtime=$(clang++ -print-file-name=libclang_rt.fuzzer-"$(uname -m)".a)
if [ ! -f "$runtime" ]; then
  echo "libFuzzer fehlt für $(clang++ --version | head -n1): $runtime nicht gefunden." >&2
  exit 1
fi
