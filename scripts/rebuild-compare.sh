#!/usr/bin/env bash
# Shows that the release rebuilds to the byte: builds it twice with scripts/release.sh, in two fresh folders of
# different names and lengths, and compares the two SHA256SUMS. Given a published SHA256SUMS, builds once and
# compares against that instead (check out the release's commit first).
#
#   bash scripts/rebuild-compare.sh [PUBLISHED_SHA256SUMS]
set -euo pipefail
cd "$(dirname "$0")/.."
published=${1:+$(realpath "$1")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
start=$(date +%s)
build() {  # build FOLDER: a release built under that folder, into FOLDER/out
  mkdir -p "$1"
  TMPDIR=$1 bash scripts/release.sh "$1/out"
}
if [ -n "$published" ]; then
  build "$tmp/rebuild"
  theirs=$published ours=$tmp/rebuild/out/SHA256SUMS
else
  build "$tmp/first"
  build "$tmp/second-folder-with-a-longer-name"
  theirs=$tmp/first/out/SHA256SUMS ours=$tmp/second-folder-with-a-longer-name/out/SHA256SUMS
fi
echo "== took $(( $(date +%s) - start )) s"
if diff <(sort -k2 "$theirs") <(sort -k2 "$ours"); then
  echo "identical: every artefact has the same SHA-256"
else
  echo "DIFFERENT: the lines above differ" >&2
  exit 1
fi
