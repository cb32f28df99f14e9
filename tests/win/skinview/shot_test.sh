#!/usr/bin/env bash
# One screenshot check of skinview: runs it under Wine with --shot and the
# given arguments (Unix paths of skin files are handed over as Z: paths),
# then compares the picture with its reviewed reference.
#   shot_test.sh WINE_RUN PREFIX SKINVIEW_EXE SHOT.png REFERENCE.png [skinview args...]
set -uo pipefail
wine_run=$1 prefix=$2 exe=$3 shot=$4 reference=$5
shift 5
args=()
for a in "$@"; do
  if [ -f "$a" ]; then args+=("Z:$a"); else args+=("$a"); fi
done
rm -f "$shot"
timeout 180 "$wine_run" --prefix "$prefix" "$exe" --shot "Z:$shot" "${args[@]}"
rc=$?
if [ $rc -ne 0 ]; then
  echo "skinview --shot ended with $rc (0: skinned and saved, 3: saved but never skinned, 2: nothing saved)"
  exit 1
fi
here=$(dirname "$0")
exec python3 "$here/../../support/compare_shot.py" "$shot" "$reference"
