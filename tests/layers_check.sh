#!/usr/bin/env bash
# The layers hold: no file includes a header of a layer above its own.
# From the bottom: shared, then platform and smc, then the daemon and the
# simulator beside the app; inside the app the model, the concurrency, the
# services, the engine, the composition, the face, then the design system,
# the views (the dashboard's blocks; the modes, the settings and the
# first-run wizard, which may use the settings' rows; the main window that
# hosts them all), the shell and the gallery. The views read the engine only through the
# face: nothing above the face includes the engine's headers (the app's
# entry makes the engine through the composition).
#
#   layers_check.sh SOURCE_DIR
set -uo pipefail
cd "${1:?usage: layers_check.sh SOURCE_DIR}"
status=0
# folder  |  what it may not include (path prefixes, | separated)
rules='
shared|platform/|smc/|sim/|ZephraneHelper/|ZephraneApp/
platform|smc/|sim/|ZephraneHelper/|ZephraneApp/
smc|sim/|ZephraneHelper/|ZephraneApp/
ZephraneHelper|ZephraneApp/|sim/
sim|ZephraneApp/|ZephraneHelper/
ZephraneApp/Model|ZephraneApp/
ZephraneApp/Concurrency|ZephraneApp/Services/|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Face/|ZephraneApp/DesignSystem/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Services|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Face/|ZephraneApp/DesignSystem/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Engine|ZephraneApp/Composition/|ZephraneApp/Face/|ZephraneApp/DesignSystem/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Composition|ZephraneApp/Face/|ZephraneApp/DesignSystem/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Face|ZephraneApp/Composition/|ZephraneApp/DesignSystem/|ZephraneApp/Dashboard/|ZephraneApp/Modes/|ZephraneApp/Settings/|ZephraneApp/Onboarding/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/DesignSystem|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Dashboard/|ZephraneApp/Modes/|ZephraneApp/Settings/|ZephraneApp/Onboarding/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Dashboard|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Modes/|ZephraneApp/Settings/|ZephraneApp/Onboarding/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Modes|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Settings/|ZephraneApp/Onboarding/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Settings|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Modes/|ZephraneApp/Onboarding/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Onboarding|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Modes/|ZephraneApp/MainWindow/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/MainWindow|ZephraneApp/Engine/|ZephraneApp/Composition/|ZephraneApp/Shell/|ZephraneApp/Gallery/
ZephraneApp/Shell|ZephraneApp/Engine/|ZephraneApp/Gallery/
ZephraneApp/Gallery|ZephraneApp/Engine/|ZephraneApp/Composition/
'
while IFS='|' read -r folder forbidden; do
  [ -n "$folder" ] || continue
  [ -d "$folder" ] || { echo "layers_check: no folder $folder" >&2; status=1; continue; }
  pattern="#include [\"<]($(echo "$forbidden" | sed 's/|$//; s/\./\\./g'))"
  # Subfolders with a rule of their own are checked by it; the model's own
  # headers include one another.
  hits=$(grep -rnE "$pattern" "$folder" --include='*.hpp' --include='*.cpp' |
         grep -vE "#include [\"<]${folder}/")
  if [ -n "$hits" ]; then
    echo "layers_check: $folder reaches above its layer:"
    echo "$hits"
    status=1
  fi
done <<< "$rules"
[ $status -eq 0 ] && echo "layers_check: every include goes down"
exit $status
