# Runs `kavreno --text` and checks the printed window: the caption on the
# first line, the fourteen row titles in order, then the drive frame.
# Usage: cmake -DKAVRENO=<program> -P check_text_run.cmake
execute_process(COMMAND "${KAVRENO}" --text
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "exit status ${rc}\nstdout:\n${out}\nstderr:\n${err}")
endif()
string(FIND "${out}" "Kavreno\n" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "the first line is not the caption:\n${out}")
endif()
set(lines
  "コンピュータ名：" "ユーザ名：" "OS：" "OSのバージョン：" "プロセッサの数："
  "プロセッサのタイプ：" "物理メモリの全容量：" "使用中のメモリ：" "空きメモリ："
  "Windowsディレクトリ：" "Systemディレクトリ：" "Temporaryディレクトリ："
  "キーボードタイプ：" "Functionキーの数：" "ドライブ情報：\n")
set(pos 0)
foreach(line IN LISTS lines)
  string(SUBSTRING "${out}" ${pos} -1 rest)
  string(FIND "${rest}" "\n${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "no line starting with \"${line}\" after byte ${pos}:\n${out}")
  endif()
  math(EXPR pos "${pos} + ${at} + 1")
endforeach()
