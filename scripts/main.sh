#!/usr/bin/env bash
# The main job: builds the native tool and shows today's month.
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh native
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target quendler
./build/native-release/tools/quendler month "$@"
