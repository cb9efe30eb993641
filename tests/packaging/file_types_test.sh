#!/usr/bin/env bash
# The file types compile into a shared-mime-info database with their extensions and the magic of
# both byte orders, and the desktop entry names each type. update-mime-database skips a file it can't
# parse and still succeeds, so a broken one would show only as a file manager offering nothing.
#   file_types_test.sh TYPES_XML DESKTOP_ENTRY
set -euo pipefail
types_xml=$1
desktop_entry=$2
command -v update-mime-database >/dev/null || { echo "no update-mime-database (shared-mime-info)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/mime/packages"
cp "$types_xml" "$work/mime/packages/"
# It notes on standard error that the folder is not searched: only the failure counts.
update-mime-database "$work/mime" 2>"$work/notes" || { cat "$work/notes" >&2; exit 1; }

failures=0
fail() {
    echo "$*" >&2
    failures=$((failures + 1))
}
for glob in 'image/x-dpx:*.dpx' 'image/x-cineon:*.cin'; do
    grep -qxF "50:$glob" "$work/mime/globs2" || fail "no glob $glob"
done
export LC_ALL=C
for signature in SDPX XPDS '\x80\x2a\x5f\xd7' '\xd7\x5f\x2a\x80'; do
    grep -qaF "$(printf %b "$signature")" "$work/mime/magic" || fail "no magic $signature"
done
listed=$(grep '^MimeType=' "$desktop_entry")
for type in $(grep -o '<mime-type type="[^"]*"' "$types_xml" | cut -d'"' -f2); do
    grep -qF "=$type;" <<<"$listed" || grep -qF ";$type;" <<<"$listed" || fail "the desktop entry lacks $type"
done
[ "$failures" -eq 0 ]
