#!/bin/bash
# Installs the Debian 12 packages the project needs (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  clang libclang-rt-14-dev \
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-translations-l10n libgl-dev \
  libgtest-dev libbenchmark-dev \
  libchm-dev fp-utils \
  fonts-liberation2 fonts-ipafont-gothic \
  xvfb xauth
