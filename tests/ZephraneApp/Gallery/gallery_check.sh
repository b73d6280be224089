#!/usr/bin/env bash
# The gallery as the view issues use it: it lists its views and states,
# refuses an unknown view or state naming the known ones, and renders every
# state (light and dark in turn) to a picture without a QML warning.
#
#   gallery_check.sh GALLERY OUT_DIR     (on an X server: run it under with_xvfb.sh)
set -uo pipefail
gallery=$1 out=$2
mkdir -p "$out"
fail() { echo "gallery_check: $*" >&2; exit 1; }

list=$("$gallery" --list) || fail "--list failed"
[ -n "$list" ] || fail "--list printed nothing"
[ "$(echo "$list" | sort | uniq -d)" = "" ] || fail "a view lists a state twice"
echo "$list" | awk 'NF != 2 { exit 1 }' || fail "a --list line is not one VIEW STATE pair"

"$gallery" --view NoSuchView --state x --png "$out/x.png" 2>"$out/refused.txt"
[ $? -eq 2 ] || fail "an unknown view did not exit 2"
first=$(echo "$list" | head -n1 | cut -d' ' -f1)
grep -q "$first" "$out/refused.txt" || fail "the refusal names no known view"
"$gallery" --view "$first" --state NoSuchState --png "$out/x.png" 2>/dev/null
[ $? -eq 2 ] || fail "an unknown state did not exit 2"

# Four at a time: each run waits for its view to settle.
echo "$list" | awk '{ print $1, $2, (NR % 2 ? "light" : "dark") }' |
  xargs -P 4 -L 1 sh -c '"$0" --view "$1" --state "$2" --scheme "$3" --png "'"$out"'/$1-$2-$3.png" 2>"'"$out"'/$1-$2-$3.log"
    status=$?
    [ $status -eq 0 ] || { echo "gallery_check: $1 $2 $3 failed (exit $status):"; cat "'"$out"'/$1-$2-$3.log"; exit 255; }' "$gallery" ||
  fail "a view did not render"
for picture in "$out"/*-light.png "$out"/*-dark.png; do
  [ -s "$picture" ] || fail "$picture is empty"
done
echo "gallery_check: $(echo "$list" | wc -l) states rendered"
