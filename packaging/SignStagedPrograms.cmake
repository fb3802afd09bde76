# Run by CPack after it has put the package's files in its staging folder and before it writes
# the archive. When the build was configured with TRUST_INSTALLER_SIGN_PFX, signs the staged
# programs with scripts/sign (password from SIGN_PASSWORD, timestamp server from
# SIGN_TIMESTAMP_URL), so the package holds signed programs while the build folder keeps its
# own. A signing that fails stops the packaging: no unsigned package is written in its place.
if(NOT CPACK_TRUST_INSTALLER_SIGN_PFX)
    return()
endif()
set(programs "")
foreach(name trust-installer.exe trust-check.exe)
    list(APPEND programs "${CPACK_TEMPORARY_DIRECTORY}/${name}")
endforeach()
execute_process(
    COMMAND "${CPACK_TRUST_INSTALLER_SIGN_SCRIPT}" "${CPACK_TRUST_INSTALLER_SIGN_PFX}" ${programs}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Signing the packaged programs failed; no package was written")
endif()
