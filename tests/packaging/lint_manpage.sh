#!/bin/sh
# Lints a manual page of the korvcmp package (korvcmp.1, korvcmp-lost.1,
# korvcmp-report.1): it must render without a single warning.
#
#   lint_manpage.sh MANPAGE [VERSION]
#
# groff (package groff-base) is required; mandoc, when installed, lints too.
# With VERSION (for instance 1.0), the page's title line must carry the
# page's name in capitals (KORVCMP for korvcmp.1) and "korvcmp VERSION".
set -u

page=${1:?usage: lint_manpage.sh MANPAGE [VERSION]}
version=${2:-}
status=0

if [ ! -r "$page" ]; then
    echo "lint_manpage: cannot read $page" >&2
    exit 1
fi

# groff reports problems on standard error but still exits 0: any output fails.
if ! out=$(groff -man -ww -z "$page" 2>&1) || [ -n "$out" ]; then
    echo "lint_manpage: groff -man -ww reports:" >&2
    echo "$out" >&2
    status=1
fi

if command -v mandoc >/dev/null 2>&1; then
    if ! out=$(mandoc -T lint -W all "$page" 2>&1) || [ -n "$out" ]; then
        echo "lint_manpage: mandoc -T lint reports:" >&2
        echo "$out" >&2
        status=1
    fi
else
    echo "lint_manpage: mandoc not installed, only groff checked"
fi

if [ -n "$version" ]; then
    title=$(basename "$page" .1 | tr '[:lower:]' '[:upper:]')
    if ! grep -q "^\.TH $title 1 \"[^\"]*\" \"korvcmp $version\"" "$page"; then
        echo "lint_manpage: the .TH line does not name $title and korvcmp $version" >&2
        status=1
    fi
fi

[ $status -eq 0 ] && echo "lint_manpage: $page is clean"
exit $status
