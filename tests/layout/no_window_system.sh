#!/usr/bin/env bash
# Each executable named runs without a window system: ldd lists none of
# freeglut, GLEW, OpenGL, GLU or the X libraries among its libraries.
#
#   no_window_system.sh EXECUTABLE...
set -u
failed=0
for exe in "$@"; do
  libraries=$(ldd "$exe") || { echo "ldd failed on $exe"; failed=1; continue; }
  found=$(grep -Ei 'lib(glut|GLEW|GL|GLU|GLX|OpenGL|X11|xcb|Xext|Xi|Xxf86vm)\.so' <<< "$libraries")
  if [[ -n $found ]]; then
    echo "$exe links a window system:"
    echo "$found"
    failed=1
  fi
done
exit $failed
