# Runs a program in a folder and compares its standard output, whole, with a golden text file
# (LF line ends; CR LF expected from a Windows program). With UPDATE_GOLDEN=1 in the
# environment the golden file is rewritten instead: review that diff like code.
#
#   cmake -DPROGRAM=<emulator;exe;args> -DFOLDER=<dir> -DGOLDEN=<file> [-DCRLF=ON] -P compare-output.cmake
execute_process(COMMAND ${PROGRAM} WORKING_DIRECTORY "${FOLDER}"
    OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} exited with ${result}: ${errors}")
endif()
if(CRLF)
    string(REPLACE "\r\n" "\n" actual "${actual}")
endif()
if("$ENV{UPDATE_GOLDEN}" STREQUAL "1")
    file(WRITE "${GOLDEN}" "${actual}")
    return()
endif()
file(READ "${GOLDEN}" expected)
if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "output differs from ${GOLDEN}:\n--- expected\n${expected}--- actual\n${actual}")
endif()
