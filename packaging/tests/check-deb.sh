#!/usr/bin/env bash
# Builds the .deb from the build tree and checks its contents, its control
# fields and, unpacked, its documentation (check-docs.sh).
#   check-deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(find "$out" -maxdepth 1 -name 'quorel_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "no .deb was built"; exit 1; }

id=org.quorel.Quorel
expected=$(printf '%s\n' usr/bin/quorel usr/share/applications/$id.desktop \
    usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/metainfo/$id.metainfo.xml \
    usr/share/doc/quorel/changelog.gz usr/share/doc/quorel/copyright \
    usr/share/man/man1/quorel.1.gz | sort)
# Regular files only: their lines start with '-'.
files=$(dpkg-deb -c "$deb" | awk '/^-/ { sub(/^\.\//, "", $6); print $6 }' | sort)
status=0
if [ "$files" != "$expected" ]; then
    echo "the package holds:"; echo "$files"; echo "expected:"; echo "$expected"; status=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -q "$lib" <<<"$depends" || { echo "no dependency on $lib"; status=1; }
done
# Without Qt's Wayland plugin the editor is an XWayland client on a Wayland desktop.
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Recommends: $recommends"
grep -qE '(^|[ ,|])qt6-wayland($|[ ,(|])' <<<"$recommends" || { echo "does not recommend qt6-wayland"; status=1; }
[ "$(dpkg-deb -f "$deb" Package)" = quorel ] || { echo "wrong package name"; status=1; }
# Debian wraps a description's lines at 80 columns.
long=$(dpkg-deb -f "$deb" Description | awk 'length > 80')
[ -z "$long" ] || { echo "description lines wider than 80 columns:"; echo "$long"; status=1; }
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
    { echo "the package's version is $(dpkg-deb -f "$deb" Version), the project's $version"; status=1; }

dpkg-deb -x "$deb" "$out/root"
bash "$(dirname "$0")/check-docs.sh" "$out/root" "$version" || status=1
exit $status
