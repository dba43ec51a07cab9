# Writes a help2man include file with every kelvara-db command's own --help, so that the
# manual page holds all of it. The command names are read from the overview.
#   cmake -DTOOL=path/to/kelvara-db -DOUT=file.h2m -P ManCommands.cmake
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE overview RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed")
endif()
string(REGEX MATCHALL "\n  [a-z]+  " lines "${overview}")
set(text "[COMMANDS]\n")
foreach(line IN LISTS lines)
  string(STRIP "${line}" name)
  execute_process(COMMAND ${TOOL} ${name} --help OUTPUT_VARIABLE help)
  # roff: backslashes printed as such; lines that start with a dot or quote are text.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(REPLACE "-" "\\-" help "${help}")
  string(APPEND text ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
string(APPEND text "[SEE ALSO]\n.BR kelvara (1),\n.BR kelvara\\-launcher (1)\n")
file(WRITE ${OUT} "${text}")
