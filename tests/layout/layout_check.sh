#!/usr/bin/env bash
# The layout's rules, checked over the sources (see the README's Layout):
#   - a folder includes only the folders it may use;
#   - no two modules include each other, directly or round a loop;
#   - window-system headers only in the files of a window platform (*_x11,
#     *_win32, *_gl), operating-system headers only in the files of a system
#     (*_posix, *_win32) and of the X11 platform,
#     in every folder of the runtime.
#
#   layout_check.sh SOURCE_DIR
set -u
cd "$1" || exit 2
failed=0
fail() { echo "layout: $*"; failed=1; }

may_use() {
  case $1 in
    errors) echo "errors" ;;
    text) echo "errors text" ;;
    files) echo "errors text files" ;;
    graphics) echo "errors text graphics" ;;
    host) echo "errors text files graphics host" ;;
    monitor) echo "errors text files graphics host monitor" ;;
    feed) echo "feed host/folders.h host/command_options.h" ;;
  esac
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for file in errors/* text/* files/* graphics/* host/* monitor/* feed/*; do
  case $file in *.cpp | *.h) ;; *) continue ;; esac
  folder=${file%%/*}
  module=${file%.*}
  name=${file##*/}
  while read -r included; do
    ok=0
    for allowed in $(may_use "$folder"); do
      [[ $included == "$allowed"/* || $included == "$allowed" ]] && ok=1
    done
    ((ok)) || fail "$file includes $included"
    [[ ${included%.*} != "$module" ]] && echo "$module ${included%.*}" >> "$edges"
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  [[ $folder == errors ]] && grep -q '^#include <.*\.h>' "$file" && fail "$file includes more than the standard library"
  [[ $folder == monitor || $folder == feed || $name == interpreter_main.cpp ]] && continue
  if grep -Eq '^#include <(GL|X11)/' "$file" && [[ $name != *_x11.* && $name != *_win32.* && $name != *_gl.* ]]; then
    fail "$file includes a window system's headers"
  fi
  if grep -Eq '^#include <(unistd|fcntl|dirent|spawn|strings|pwd|windows|shellapi|mmsystem|sys/[a-z]+)\.h>' "$file" &&
    [[ $name != *_posix.* && $name != *_win32.* && $name != *_x11.* ]]; then
    fail "$file includes an operating system's headers"
  fi
done
if ! tsort "$edges" > /dev/null 2> "$edges.loop"; then
  fail "modules include each other in a loop: $(tr '\n' ' ' < "$edges.loop")"
fi
rm -f "$edges.loop"
exit $failed
