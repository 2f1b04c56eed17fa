#!/usr/bin/env bash
# The man pages read as text, as `man` shows them: a SYNOPSIS; every option and command the
# program's --help lists begins a paragraph of its own (one run into the one before it shows
# mid-line); and every option's paragraph ends its sentence before the next option begins.
# Run: tests/package/man_pages.sh MANDIR BINDIR   (pages as PROGRAM.1.gz, programs in BINDIR)
set -euo pipefail
mandir=$1 bindir=$2
failed=0
fail() { echo "$page: $1"; failed=1; }

for program in qm7140-host qm7140-web; do
  page=$mandir/$program.1.gz
  [ -f "$page" ] || { echo "no $page"; exit 1; }
  text=$(MANWIDTH=80 man -l "$page" 2>/dev/null | col -bx)
  help=$("$bindir/$program" --help)

  grep -qx "SYNOPSIS" <<<"$text" || fail "no SYNOPSIS"
  grep -q "^       $program " <<<"$text" || fail "the SYNOPSIS does not name $program"

  # The terms of --help's lists: the first word of each line indented by exactly two blanks.
  while read -r term; do
    grep -qE -- "^ {7}${term//|/\\|}( |$)" <<<"$text" || fail "\"$term\" does not begin a paragraph"
  done < <(sed -n 's/^  \([^ ]\+\).*/\1/p' <<<"$help")

  # Every paragraph that begins with an option.
  awk -v page="$page" '
    /^[^ ]/ || /^   [^ ]/ || /^ *$/ { check(); next }
    { if (paragraph == "") option = $0 ~ /^       -/; paragraph = paragraph $0 "\n"; last = $0 }
    function check() {
      sub(/ +$/, "", last)
      if (option && last !~ /\.$/) { printf "%s: an option ends mid-sentence:\n%s", page, paragraph; bad = 1 }
      paragraph = ""; option = 0; last = ""
    }
    END { check(); exit bad }
  ' <<<"$text" || failed=1
done
[ "$failed" -eq 0 ] && echo "-- the man pages read: a synopsis, a paragraph per option and command"
exit "$failed"
