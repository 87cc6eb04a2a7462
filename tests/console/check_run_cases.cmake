# Starts kavreno the ways a user meets trouble, one case per call: a display
# that cannot be reached, and output that cannot be written.
# Usage: cmake -DKAVRENO=<program> -DWORK=<folder> [-DXVFB_RUN=<xvfb-run>] -P check_run_cases.cmake
set(ENV{K} "${KAVRENO}")
set(ENV{LC_ALL} C)  # the system's error texts in English
# A reader that has gone before the program writes: the pipe's reader
# closes its end, then lets the program start.
set(gone_reader [=[
broken_pipe() { mkfifo "$W/gone"; { read _ < "$W/gone"; "$@"; echo $? > "$W/rc"; } |
  { exec 0<&-; echo > "$W/gone"; }; return "$(cat "$W/rc")"; }
]=])
set(no_display "env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE")
set(count 0)

# stdout: "text" (the text presentation), "empty" or "any".
function(run_case name status stdout stderr_regex command)
  math(EXPR n "${count} + 1")
  set(count ${n} PARENT_SCOPE)
  set(dir "${WORK}/case${n}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  set(ENV{W} "${dir}")
  execute_process(COMMAND sh -c "${gone_reader}\n${command}"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  set(problems "")
  if(NOT rc STREQUAL status)
    string(APPEND problems "exit status ${rc}, expected ${status}; ")
  endif()
  if(NOT err MATCHES "^${stderr_regex}$")
    string(APPEND problems "stderr does not match '${stderr_regex}'; ")
  endif()
  if(stdout STREQUAL "text" AND NOT out MATCHES "^Kavreno\n.*ドライブ情報：")
    string(APPEND problems "stdout is not the text presentation; ")
  elseif(stdout STREQUAL "empty" AND NOT out STREQUAL "")
    string(APPEND problems "stdout is not empty; ")
  endif()
  if(problems)
    message(SEND_ERROR "${name}: ${problems}\n  command: ${command}\n  stdout:\n${out}\n  stderr:\n${err}")
  else()
    message(STATUS "${name}: ok")
  endif()
endfunction()

set(one_line "kavreno: [^\n]+\n")
run_case("stale X display" 0 text "${one_line}" "${no_display} DISPLAY=:4321 \"$K\"")
run_case("Wayland display without a compositor" 0 text "${one_line}"
         "${no_display} XDG_SESSION_TYPE=wayland XDG_RUNTIME_DIR=\"$W\" WAYLAND_DISPLAY=wayland-9 \"$K\"")
run_case("platform without a plugin (environment)" 0 text "${one_line}"
         "${no_display} QT_QPA_PLATFORM=bogus \"$K\"")
run_case("platform without a plugin (option)" 0 text "${one_line}"
         "${no_display} DISPLAY=:4321 \"$K\" -platform bogus -style Fusion")
run_case("program without its Qt module" 0 text "${one_line}"
         "cp \"$K\" \"$W/kavreno\" && ${no_display} DISPLAY=:4321 \"$W/kavreno\"")
if(XVFB_RUN)
  # A display that answers: the window opens (and closes after its first paint).
  run_case("X display under Xvfb" 0 empty ".*"
           "${no_display} KAVRENO_EXIT_AFTER_PAINT=1 \"${XVFB_RUN}\" -a \"$K\" -style Fusion")
endif()

run_case("--text to a full disk" 1 any "kavreno: write error: No space left on device\n"
         "\"$K\" --text > /dev/full")
run_case("--help to a full disk" 1 any "kavreno: write error: No space left on device\n"
         "\"$K\" --help > /dev/full")
run_case("--version with stdout closed" 1 any "kavreno: write error: Bad file descriptor\n"
         "\"$K\" --version >&-")
run_case("--text to a closed pipe, SIGPIPE ignored" 1 any "kavreno: write error: Broken pipe\n"
         "trap '' PIPE; broken_pipe \"$K\" --text")
run_case("--version to a closed pipe, SIGPIPE ignored" 1 any "kavreno: write error: Broken pipe\n"
         "trap '' PIPE; broken_pipe \"$K\" --version")
# SIGPIPE at its default ends the program quietly (128 + 13 is how sh reports it).
run_case("--text to a closed pipe" 141 any "" "broken_pipe \"$K\" --text")
