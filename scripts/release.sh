#!/usr/bin/env bash
# The release: builds the Windows program (preset windows) with its setup and portable zip and
# puts what a Windows user downloads into dist/:
#   quendler-setup-VERSION.exe   per-user setup (NSIS), installer/quendler.nsi
#   quendler-VERSION.zip         portable: quendler.exe and zuvi.chm in a folder "Die Quendler"
#   SHA256SUMS                   sha256sum of both
# VERSION is the version of project() in CMakeLists.txt, the one place it is set.
#   bash scripts/release.sh
set -eu
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
[ -n "$version" ] || { echo "release: no project version in build/windows/CMakeCache.txt" >&2; exit 1; }
setup=quendler-setup-$version.exe
zip=quendler-$version.zip
for f in "$setup" "$zip"; do
  [ -s "build/windows/dist/$f" ] || { echo "release: build/windows/dist/$f was not built" >&2; exit 1; }
done
rm -rf dist
mkdir -p dist
cp "build/windows/dist/$setup" "build/windows/dist/$zip" dist/
(cd dist && sha256sum "$setup" "$zip" >SHA256SUMS)
echo "release $version:"
ls -l dist
