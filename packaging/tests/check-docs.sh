#!/usr/bin/env bash
# Checks the documentation under an installed tree ROOT (a DESTDIR with the
# prefix /usr, or an unpacked .deb) the way a person meets it:
#   check-docs.sh ROOT VERSION
# VERSION is the project's version, the one source of the release: the
# changelog's top entry and the AppStream metadata's latest release must both
# be it, on the same day. QUOREL_SANITIZED=1 (ctest sets it in a sanitized
# build) leaves out the check of the libraries the program links to. Prints
# what is wrong and exits 1 if anything is.
set -euo pipefail
root=$1
version=$2
doc=$root/usr/share/doc/quorel
metainfo=$root/usr/share/metainfo/org.quorel.Quorel.metainfo.xml
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "$*"; status=1; }

# A gzip file as Debian wants it: maximal compression (flag 2 in the extra
# flags byte) and reproducible, without the original's name or time.
check_gzip() {
    local file=$1 header
    [ -f "$file" ] || { fail "missing: ${file#"$root"}"; return 1; }
    gzip -t "$file" || { fail "not a valid gzip file: ${file#"$root"}"; return 1; }
    header=$(od -An -tx1 -N10 "$file" | tr -d ' \n')
    # ID 1f8b, method 08, flags (no FNAME 08), mtime 00000000, extra flags 02.
    [[ $header =~ ^1f8b08([0-9a-f]{2})00000000(02) ]] && (( (0x${BASH_REMATCH[1]} & 0x08) == 0 )) ||
        fail "${file#"$root"} is not compressed with gzip -9n (header $header)"
}

# The changelog: the top entry is this version, on the release's date.
if check_gzip "$doc/changelog.gz"; then
    zcat "$doc/changelog.gz" >"$scratch/changelog"
    changelog_version=$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)
    changelog_date=$(date -u -d "$(dpkg-parsechangelog -l "$scratch/changelog" -S Date)" +%F)
    [ "$changelog_version" = "$version" ] ||
        fail "the changelog's top entry is $changelog_version, the project's version $version"
fi
# The AppStream metadata's first release is the latest one.
release=$(grep -o -m1 '<release [^>]*>' "$metainfo" || true)
release_version=$(sed -n 's/.* version="\([^"]*\)".*/\1/p' <<<"$release")
release_date=$(sed -n 's/.* date="\([^"]*\)".*/\1/p' <<<"$release")
[ "$release_version" = "$version" ] ||
    fail "the AppStream metadata's latest release is '$release_version', the project's version $version"
[ "${changelog_date-}" = "$release_date" ] ||
    fail "the changelog's top entry is dated ${changelog_date-?}, the AppStream release $release_date"

# The manual page quorel(1): it renders without a warning from man or groff
# (what lintian runs), is this version's, and names every menu item of the
# editor (editor/main_window.cpp) with its shortcut, and no shortcut more.
page=$root/usr/share/man/man1/quorel.1.gz
# A minimized Ubuntu diverts the real man to man.REAL and puts a stub in its place.
man=$(dpkg-divert --truename /usr/bin/man)
if check_gzip "$page"; then
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 "$man" --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page renders with warnings:"$'\n'"$warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 "$man" -l "$page" 2>/dev/null | col -b >"$scratch/page"
    grep -qx 'NAME' "$scratch/page" && grep -qE '^ +quorel - ' "$scratch/page" ||
        fail "the manual page has no NAME line 'quorel - ...'"
    for section in SYNOPSIS DESCRIPTION MENUS DOCUMENTS SAVING DIAGNOSTICS FILES; do
        grep -qx "$section" "$scratch/page" || fail "the manual page has no section $section"
    done
    grep -qE "^Quorel $version[[:space:]]" "$scratch/page" || fail "the manual page is not that of Quorel $version"
    menus=$(dirname "$0")/../../editor/main_window.cpp
    items=$(sed -n 's/.*menu_[a-z]*_[a-z]*\.create(menu_[a-z]*, QStringLiteral("\([^"]*\)")\(, QStringLiteral("\([^"]*\)")\)\{0,1\});.*/\1|\3/p' "$menus" |
        tr -d '&')
    [ "$(wc -l <<<"$items")" -ge 7 ] || fail "found only these menu items in $menus: $items"
    while IFS='|' read -r caption shortcut; do
        if [ -n "$shortcut" ]; then
            grep -qE "^ +$caption +\(${shortcut//+/\\+}\)\$" "$scratch/page" ||
                fail "the manual page does not list the menu item '$caption' with its shortcut $shortcut"
        else
            grep -qE "^ +$caption( {2,}|\$)" "$scratch/page" && ! grep -qE "^ +$caption +\(Ctrl" "$scratch/page" ||
                fail "the manual page does not list the menu item '$caption', without a shortcut"
        fi
    done <<<"$items"
fi

# The copyright file in Debian's machine-readable format, with the program's
# licence, naming every library the program is linked to.
copyright=$doc/copyright
if [ -f "$copyright" ]; then
    [ "$(head -n1 "$copyright")" = \
        'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ] ||
        fail "the copyright file is not in Debian's machine-readable format"
    grep -qx 'License: Expat' "$copyright" || fail "the copyright file does not state the MIT (Expat) licence"
    grep -q '^ Permission is hereby granted' "$copyright" || fail "the copyright file holds no licence text"
    # A sanitized build is not the package a person installs: it needs the
    # sanitizers' runtimes, and GCC links it without --as-needed, so that it
    # also needs libraries the program does not use (libGLX, libOpenGL).
    if [ -z "${QUOREL_SANITIZED-}" ]; then
        for library in $(readelf -d "$root/usr/bin/quorel" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            grep -qF " $library" "$copyright" || fail "the copyright file does not name $library, which quorel needs"
        done
    fi
else
    fail "missing: /usr/share/doc/quorel/copyright"
fi

exit $status
