# Sourced by the system tests' scripts that need an X display of their own.
# own_display SCREEN WORK_DIR: an Xvfb with one screen SCREEN (WIDTHxHEIGHTxDEPTH)
# that picks its own display number, waited for (bounded) until it takes
# connections; exports DISPLAY and leaves its pid in own_display_pid.
# Returns 2 when no display came.
own_display() {
  local file="$2/display"
  rm -f "$file"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$file" >/dev/null 2>&1 &
  own_display_pid=$!
  for _ in $(seq 1 100); do [ -s "$file" ] && break; sleep 0.1; done
  [ -s "$file" ] || { echo "no X display"; return 2; }
  export DISPLAY=":$(tr -d '\n' < "$file")"
}
