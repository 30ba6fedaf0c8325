#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the tools need — only those that
# are missing. Runs as root on Debian 12 (apt-get update once, then apt-get install).
#   scripts/setup.sh            everything
#   scripts/setup.sh native     only what the native build and tool need
set -eu

# fonts-dejavu-core: the faces of the native text rasterizer; a "Verdana" request falls back to
# DejaVu Sans and "Courier New" to DejaVu Sans Mono, which is also what Wine draws them with, so
# both builds give the same pixels. (No metric look-alikes are needed: none matches Verdana.)
# fonts-dejavu-extra adds the oblique and condensed faces, so an italic request finds a real
# oblique face on every machine.
native_packages=(
  ca-certificates cmake make g++ gcc pkg-config
  googletest libgtest-dev libbenchmark-dev
  libpng-dev zlib1g-dev libjpeg-dev libtiff-dev
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-dejavu-extra
  python3 python3-pil fonts-noto-color-emoji
  imagemagick
)
# Sound under Wine: Wine's Media Foundation decodes through GStreamer (MP3 by the mpg123 and
# libav plugins, WAV by the base and good ones); the tests make their MP3s with sox and lame
# and play them into a PulseAudio server of their own, recorded with parec. nsis (makensis) and
# zip make the setup and the portable zip (installer/, scripts/release.sh).
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 xvfb xauth x11-utils imagemagick fp-utils clang libclang-rt-14-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav
  sox lame pulseaudio pulseaudio-utils
  nsis zip
)

wanted=("${native_packages[@]}")
if [ "${1:-all}" != native ]; then
  wanted+=("${windows_packages[@]}")
fi

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
