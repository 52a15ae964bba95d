#!/usr/bin/env bash
# The manual page of a program (velmorra-cli, the window velmorra) says what its `--help` says:
# every usage line, the description, each command or option with its arguments and its text, the
# exit status, the same commands and no others, and the program's version.
# Usage: manual_page_test.sh PROGRAM MANUAL_PAGE
set -euo pipefail
cli=$1
page=$2
failures=0

collapse() { tr -s ' \t\n' '   ' | sed 's/^ //; s/ $//'; }
manual=$(groff -man -Tascii -P-cbou -rLL=2000n -ww "$page" | collapse)
help=$("$cli" --help)

# The help's statements, one a line: usage lines, paragraphs, command lines and their texts.
statements=$(printf '%s\n' "$help" | awk '
  function flush() { if (text != "") print text; text = "" }
  /^Usage: /           { flush(); sub(/^Usage: /, ""); print; next }
  /^       velmorra/    { flush(); sub(/^ +/, ""); print; next }
  /^(Commands|Options):$/ { flush(); next }
  /^$/                 { flush(); next }
  /^  [^ ]/            { flush(); sub(/^ +/, ""); print; next }
                       { sub(/^ +/, ""); text = (text == "" ? $0 : text " " $0) }
  END { flush() }')
while IFS= read -r statement; do
  statement=$(printf '%s' "$statement" | collapse)
  if [[ "$manual" != *"$statement"* ]]; then
    echo "The manual page does not say: $statement"
    failures=$((failures + 1))
  fi
done <<< "$statements"

# The same commands: those under COMMANDS in the page, those listed by --help.
help_commands=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | sort)
page_commands=$(sed -n '/^\.SH COMMANDS/,/^\.SH /{/^\.TP/{n;s/^\\fB\([a-z-]*\)\\fR.*/\1/p}}' "$page" | sort)
if [ "$help_commands" != "$page_commands" ]; then
  echo "Commands in --help: $(echo $help_commands); in the manual page: $(echo $page_commands)"
  failures=$((failures + 1))
fi

version=$("$cli" --version | sed 's/^[^ ]* //')
if [[ "$manual" != *"Velmorra $version "* ]]; then
  echo "The manual page does not name version $version"
  failures=$((failures + 1))
fi
exit $((failures > 0))
