#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence line at the head of every source file of the project:
#   scripts/spdx.sh check   lists the files without it; exit status 1 when there are any
#   scripts/spdx.sh add     gives it to every file without it
# The line is "// SPDX-License-Identifier: GPL-3.0-or-later" in C++ files and
# "# SPDX-License-Identifier: GPL-3.0-or-later" in CMake, shell and Python files. It goes
# first, or right after a "#!" line (and after a Python coding line that follows it),
# so "#pragma once" stays right after it and scripts keep their interpreter.
# Files: C++, CMake, shell and Python files under src/, sim/, tests/, benchmarks/, fuzz/,
# cmake/ and scripts/, and every CMakeLists.txt; data (seed corpora, images, desktop
# entries) is left alone. Build folders are never entered.
set -euo pipefail
cd "$(dirname "$0")/.."

readonly identifier="SPDX-License-Identifier: GPL-3.0-or-later"

usage() { echo "usage: scripts/spdx.sh check|add" >&2; exit 2; }
[ $# -eq 1 ] || usage
mode=$1
[ "$mode" = check ] || [ "$mode" = add ] || usage

# The comment leader of a file's kind, or nothing for a file that is not source.
comment_of() {  # file
  local file=$1 first
  case "$file" in
    *.h | *.hpp | *.cpp | *.cc | *.cxx | *.h.in | *.cpp.in) echo "//"; return ;;
    */CMakeLists.txt | CMakeLists.txt | *.cmake | *.cmake.in) echo "#"; return ;;
    *.sh | *.py) echo "#"; return ;;
  esac
  # Scripts without an extension are known by their interpreter.
  IFS= read -r first <"$file" || true
  case "$first" in
    '#!'*sh* | '#!'*python*) echo "#" ;;
  esac
}

# The head of a file is its first three lines: room for a "#!" line and a coding line.
has_identifier() { head -n 3 "$1" | grep -q "SPDX-License-Identifier:"; }

add_identifier() {  # file, comment leader
  local file=$1 leader=$2 scratch
  scratch=$(mktemp "$file.spdx.XXXXXX")
  awk -v line="$leader $identifier" '
    NR == 1 && /^#!/ { print; shebang = 1; next }
    !done && shebang && NR == 2 && /^#.*coding[:=]/ { print; next }
    !done { print line; done = 1 }
    { print }
    END { if (!done) print line }' "$file" >"$scratch"
  # Keep the file's own mode (scripts stay executable).
  chmod --reference="$file" "$scratch"
  mv "$scratch" "$file"
}

files() {
  find src sim tests benchmarks fuzz cmake scripts -name 'build*' -prune -o -type f -print 2>/dev/null
  find . -name 'build*' -prune -o -name .git -prune -o -name dist -prune -o -name CMakeLists.txt -type f -print |
    sed 's|^\./||'
}

missing=0
checked=0
while IFS= read -r file; do
  leader=$(comment_of "$file")
  [ -n "$leader" ] || continue
  checked=$((checked + 1))
  has_identifier "$file" && continue
  if [ "$mode" = add ]; then
    add_identifier "$file" "$leader"
    echo "added: $file"
  else
    echo "$file"
  fi
  missing=$((missing + 1))
done < <(files | sort -u)

if [ "$mode" = check ]; then
  if [ "$missing" -gt 0 ]; then
    echo "$missing of $checked source files have no '$identifier' line." >&2
    exit 1
  fi
  echo "All $checked source files carry '$identifier'."
else
  echo "Added the line to $missing of $checked source files."
fi
