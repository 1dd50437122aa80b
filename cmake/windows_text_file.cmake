# Writes a text file for the Windows package, its lines ended in CR LF:
#   cmake -DINPUT=<file> -DOUTPUT=<file> [-DGROFF=<groff>] -P windows_text_file.cmake
# With GROFF, INPUT is a manual page and is rendered as plain text first.
if(GROFF)
  execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${INPUT}
                  OUTPUT_VARIABLE text RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "groff could not render ${INPUT}")
  endif()
else()
  file(READ ${INPUT} text)
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
