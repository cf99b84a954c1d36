#!/usr/bin/env bash
# Gathers the six release files from a tree's build folders (presets win32, win64 and linux, each with its
# package built) into OUT, named for download, and writes OUT/SHA256SUMS. Used by release.sh and
# rebuild-compare.sh.
#
#   bash scripts/release-files.sh TREE OUT
set -euo pipefail
tree=$1 out=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$tree/build/linux/CMakeCache.txt")
arch=$(dpkg --print-architecture)
files=("Velmora-$version-win32.zip" "Velmora-$version-win64.zip" "velmora_${version}_$arch.deb"
       "Velmora-$version-win32.exe" "Velmora-$version-win64.exe" "velmora-$version-linux-$arch")
mkdir -p "$out"
rm -f "$out/SHA256SUMS" "${files[@]/#/$out/}"
cp "$tree/build/win32/${files[0]}" "$tree/build/win64/${files[1]}" "$tree/build/linux/${files[2]}" "$out/"
cp "$tree/build/win32/Velmora.exe" "$out/${files[3]}"
cp "$tree/build/win64/Velmora.exe" "$out/${files[4]}"
cp "$tree/build/linux/platform/linux/velmora" "$out/${files[5]}"
for a in win32 win64; do  # the loose programs are the zips' own
  unzip -p "$out/Velmora-$version-$a.zip" "Velmora-$version-$a/Velmora.exe" | cmp - "$out/Velmora-$version-$a.exe"
done
(cd "$out" && sha256sum "${files[@]}" > SHA256SUMS)
