#!/bin/sh
# korvcmp-report's Markdown of listings whose paths, function names,
# descriptions and header texts hold links, mentions, issue references and
# HTML, rendered as GitHub renders a comment (cmark-gfm with its table and
# autolink extensions): no link may come out, and every hostile text must be
# shown, as code.
#
#   check_markdown_links.sh KORVCMP_REPORT SOURCE_DIR WORK_DIR
# Exits 77 (skipped) without cmark-gfm.
set -eu
report=$1
source_dir=$2
work=$3
command -v cmark-gfm >/dev/null 2>&1 || { echo "cmark-gfm is not installed"; exit 77; }
mkdir -p "$work"

hostile='@octocat #1 https://evil.example/login www.evil.example mail@evil.example [x](https://evil.example) <a href=x>'
for n in 1 2; do
  sed -e 's|src/main\.c|src/@octocat/www.evil.example/main.c|' \
      -e 's|parse_args|parse_args_mail@evil.example|g' \
      -e "s|\"-v\"|\"$hostile\"|" \
      "$source_dir/examples/run$n.lst" >"$work/hostile$n.lst"
done
# A coverage view of listing 2's own, which a warning quotes, and a removed
# file, which the gate's reason names.
sed -i "s|^Coverage view         : .*|Coverage view         : $hostile|" "$work/hostile2.lst"
sed -i 's|src/log\.c|src/@octocat/www.evil.example/log.c|' "$work/hostile1.lst"

status=0
"$report" -i1 "$work/hostile1.lst" -i2 "$work/hostile2.lst" --markdown "$work/hostile.md" \
  --markdown-limit 65536 --fail-on-lost 2>"$work/hostile.err" || status=$?
if [ "$status" -ne 1 ]; then
  echo "FAIL: korvcmp-report ended with $status, not 1 (lost coverage)"
  cat "$work/hostile.err"
  exit 1
fi
cmark-gfm -e table -e autolink "$work/hostile.md" >"$work/hostile.html"

status=0
if grep -n '<a[ >]' "$work/hostile.html"; then
  echo "FAIL: the rendered Markdown holds the links above"
  status=1
fi
for shown in '<code>src/@octocat/www.evil.example/main.c</code>' \
             '<code>src/@octocat/www.evil.example/log.c was removed' \
             '<code>parse_args_mail@evil.example()</code>' \
             '@octocat #1 https://evil.example/login www.evil.example mail@evil.example'; do
  if ! grep -qF "$shown" "$work/hostile.html"; then
    echo "FAIL: not shown as code: $shown"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "no links in the rendered Markdown of hostile listings"
exit "$status"
