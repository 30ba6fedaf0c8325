#!/usr/bin/env bash
# The main job: builds the native tool with the program's pictures and composes today's
# wallpaper (./wallpaper.bmp, 1920x1080 unless told otherwise); prints the file's path.
# Arguments go to "quendler wallpaper", e.g. --size 3840x2160 --settings FILE --out FILE.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh native
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target quendler
./build/native-release/tools/quendler wallpaper "$@"
