#!/usr/bin/env bash
# Renders the design gallery in light and dark, with Reduce Motion,
# Increase Contrast and Reduce Transparency off and on, and a window over
# every backdrop (backdrops-*.png) in light and dark, with Increase Contrast
# and with Reduce Transparency, on a throw-away X server of its own, into
# OUT_DIR, and has the gallery check what the pixels must show. Look at the
# pictures yourself; they stay in the build tree.
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

"$gallery" -platform xcb --shots "$out" --check || exit 1
"$gallery" -platform xcb --backdrops --shots "$out" --check
