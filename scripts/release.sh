#!/usr/bin/env bash
# Builds every release artefact of the commit checked out, from a clean copy of it (git archive) in a fresh
# folder, and writes SHA256SUMS beside them:
#
#   bash scripts/release.sh [--worktree] [OUT]     OUT: the folder for the artefacts, dist/ by default
#
# --worktree builds the working tree's files as they are (tracked, and untracked but not ignored), with the last
# commit's date: the second build of the test command's rebuild-and-compare.
#
# Velmora-<v>-win32.zip and -win64.zip, the velmora_<v>_<arch>.deb, and the programs in them as built:
# Velmora-<v>-win32.exe, Velmora-<v>-win64.exe (Velmora.exe of each zip) and velmora-<v>-linux-<arch> (the
# linux preset's program, with its debug information; the .deb's is stripped). The dates in them are
# SOURCE_DATE_EPOCH, or when it is not set the date cmake/source_date.cmake finds (the last commit's time in
# git). Outside git (a source tarball) the tree itself is copied.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
worktree=
if [ "${1:-}" = --worktree ]; then worktree=1; shift; fi
out=$(realpath -m "${1:-dist}")
umask 022
export LC_ALL=C.UTF-8

bash scripts/setup.sh >/dev/null
bash scripts/setup-linux.sh >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(cmake -P cmake/source_date.cmake)}
if git rev-parse --is-inside-work-tree >/dev/null 2>&1 && [ -n "$worktree" ]; then
  echo "Building the working tree in $work (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
  git ls-files -z --cached --others --exclude-standard | tar --null --ignore-failed-read -T - -c | tar -x -C "$work"
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "release.sh: the tree has changes that are not committed; a release is built from a commit" >&2
    exit 1
  fi
  echo "Building $(git rev-parse HEAD) in $work (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
  git archive --format=tar HEAD | tar -x -C "$work"
else
  echo "Building the source tree in $work (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
  tar -c --exclude=./build --exclude=./dist --exclude=./artifacts . | tar -x -C "$work"
fi

cd "$work"
for preset in win32 win64 linux; do
  echo "== $preset"
  cmake --preset "$preset" -DVELMORA_WINE_TESTS=OFF >/dev/null
  cmake --build --preset "$preset" -j 2 >/dev/null
  cmake --build --preset "$preset" --target package | grep -F -- "- package:"
done

bash "$here/scripts/release-files.sh" "$work" "$out"
echo "== $out/SHA256SUMS"
cat "$out/SHA256SUMS"
