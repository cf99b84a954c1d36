#!/usr/bin/env bash
# Shows that the release rebuilds to the byte, comparing the SHA256SUMS of two builds made by release.sh:
#
#   bash scripts/rebuild-compare.sh                      two rebuilds of the last commit, in fresh folders of
#                                                        different names and lengths
#   bash scripts/rebuild-compare.sh PUBLISHED_SHA256SUMS one rebuild, against a release's sums (check out its
#                                                        commit first)
#   bash scripts/rebuild-compare.sh --build              this checkout's own build folders (presets win32, win64
#                                                        and linux, packages built), against one rebuild of the
#                                                        working tree in a second folder (the test command's last step with VELMORA_REBUILD_COMPARE=1)
set -euo pipefail
arg=${1:-}
[ -f "$arg" ] && arg=$(realpath "$arg")
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
start=$(date +%s)
second=$tmp/second-folder-with-a-longer-name
release() {  # release FOLDER [OPTION]: a release built under FOLDER, into FOLDER/out
  mkdir -p "$1"
  TMPDIR=$1 bash scripts/release.sh ${2:+"$2"} "$1/out"
}
case "$arg" in
  "") release "$tmp/first"; release "$second"; theirs=$tmp/first/out/SHA256SUMS ;;
  --build) bash scripts/release-files.sh . "$tmp/first/out"; release "$second" --worktree
           theirs=$tmp/first/out/SHA256SUMS ;;
  *) theirs=$arg; release "$second" ;;
esac
echo "== took $(( $(date +%s) - start )) s"
if diff <(sort -k2 "$theirs") <(sort -k2 "$second/out/SHA256SUMS"); then
  echo "identical: every artefact has the same SHA-256"
else
  echo "DIFFERENT: the lines above differ (< $theirs, > the rebuild)" >&2
  exit 1
fi
