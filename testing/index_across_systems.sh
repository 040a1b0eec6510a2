#!/bin/sh
# An index built by one system's versefind answers under the other's, byte
# for byte but the line ends: here one built on this system, asked by the
# Windows program under Wine.
# Usage: index_across_systems.sh NATIVE_VERSEFIND WINDOWS_VERSEFIND FOLDER WINE...
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
native=$1
windows=$2
folder=$3
shift 3
rm -rf "$folder"
mkdir -p "$folder"
cp "$root/examples/sonnets.txt" "$folder/"
cd "$folder"
"$native" 8 --save sonnets.idx 2> /dev/null
for query in love "thy beauty" "lov*" "--count time" "--words" "--stats" "--sort=left beauty"; do
  # shellcheck disable=SC2086 # each query is words and options, split on purpose
  "$native" --index sonnets.idx --width 70 $query > native.out 2>&1 || true
  # shellcheck disable=SC2086
  "$@" "$windows" --index sonnets.idx --width 70 $query 2>&1 | tr -d '\r' > windows.out || true
  if ! cmp -s native.out windows.out; then
    echo "versefind --index sonnets.idx $query answers otherwise under Windows:" >&2
    diff native.out windows.out >&2 || true
    exit 1
  fi
done
echo "An index built here answers the same under Windows."
