#!/usr/bin/env bash
# Renders the design gallery in light and dark, with Reduce Motion,
# Increase Contrast and Reduce Transparency off and on, on a throw-away X
# server of its own, into OUT_DIR, and has the gallery check what the pixels
# must show. Look at the pictures yourself; they stay in the build tree.
#
#   screenshots.sh GALLERY_PROGRAM OUT_DIR
set -uo pipefail
gallery=${1:?usage: screenshots.sh GALLERY_PROGRAM OUT_DIR}
out=${2:?usage: screenshots.sh GALLERY_PROGRAM OUT_DIR}
mkdir -p "$out"

if [ -z "${SCREENSHOTS_INNER:-}" ]; then
  export SCREENSHOTS_INNER=1
  # One server for every picture.
  exec "$(dirname "$0")/with_xvfb.sh" "$0" "$gallery" "$out"
fi

status=0
for appearance in light dark; do
  for options in "" "--reduce-motion" "--increase-contrast" "--reduce-motion --increase-contrast" \
                 "--reduce-transparency"; do
    name=$appearance${options// /}
    name=${name//--/-}
    # shellcheck disable=SC2086 # the options are separate words
    if "$gallery" -platform xcb --appearance "$appearance" $options --grab "$out/$name.png" --check; then
      echo "screenshots: $out/$name.png"
    else
      echo "screenshots: $name failed" >&2
      status=1
    fi
  done
done
exit $status
