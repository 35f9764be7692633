#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what lands where, then
# validates the desktop entry, the AppStream metadata and the documentation
# (check-docs.sh) as installed.
#   check-install.sh BUILD_DIR APP_NAME VERSION
# APP_NAME is the application name the program sets, which Qt on X11 gives its
# windows as their class (WM_CLASS); VERSION is the project's version.
set -euo pipefail
build=$1
app_name=$2
version=$3
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT

DESTDIR=$dest cmake --install "$build" --prefix /usr >/dev/null

id=org.quorel.Quorel
expected=(
    usr/bin/quorel
    usr/share/applications/$id.desktop
    usr/share/icons/hicolor/scalable/apps/$id.svg
    usr/share/metainfo/$id.metainfo.xml
    usr/share/doc/quorel/changelog.gz
    usr/share/doc/quorel/copyright
    usr/share/man/man1/quorel.1.gz
)
status=0
for f in "${expected[@]}"; do
    [ -f "$dest/$f" ] || { echo "missing after install: /$f"; status=1; }
done
[ -x "$dest/usr/bin/quorel" ] || { echo "/usr/bin/quorel is not executable"; status=1; }
unexpected=$(cd "$dest" && find . -type f | sed 's|^\./||' | sort | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$unexpected" ] || { echo "unexpected files installed:"; echo "$unexpected"; status=1; }

desktop-file-validate "$dest/usr/share/applications/$id.desktop" || status=1
grep -qx "Icon=$id" "$dest/usr/share/applications/$id.desktop" || { echo "entry names another icon"; status=1; }
grep -qx 'Exec=quorel' "$dest/usr/share/applications/$id.desktop" || { echo "Exec must run quorel without arguments"; status=1; }
# Docks and task bars on X11 match the window to the entry through its class.
grep -qx "StartupWMClass=$app_name" "$dest/usr/share/applications/$id.desktop" ||
    { echo "StartupWMClass must be the window class, $app_name"; status=1; }
appstreamcli validate --no-net "$dest/usr/share/metainfo/$id.metainfo.xml" || status=1
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$dest/usr/share/metainfo/$id.metainfo.xml" || { echo "metainfo does not launch the entry"; status=1; }
bash "$(dirname "$0")/check-docs.sh" "$dest" "$version" || status=1
exit $status
