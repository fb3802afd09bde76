# Checks the folder whose certificate files the release package ships and lists them.
#
# In:  CERTIFICATE_FOLDER, the folder; OPENSSL, the openssl program (optional).
# Out: CERTIFICATE_FILES, the full paths, in the order the programs read them.
#
# The names come from the programs' own list (kCertificateFiles in CertificateList.h), so the
# package cannot ship another set. Every one must be present and, when openssl is at hand,
# parse as an X.509 certificate in DER or PEM form: a package with a missing or foreign file
# would make trust-check answer "cannot tell" on every machine. A failure stops with one
# message naming the files. Also runs on its own for the package checks:
#   cmake -DCERTIFICATE_FOLDER=DIR [-DOPENSSL=PATH] -P CertificateFolder.cmake

set(certificateList "${CMAKE_CURRENT_LIST_DIR}/../src/installer/CertificateList.h")
file(STRINGS "${certificateList}" nameLines REGEX "^ *{\"[^\"]+\\.crt\"")
set(certificateNames "")
foreach(line IN LISTS nameLines)
    string(REGEX MATCH "\"([^\"]+\\.crt)\"" found "${line}")
    list(APPEND certificateNames "${CMAKE_MATCH_1}")
endforeach()
list(LENGTH certificateNames certificateCount)
if(NOT certificateCount EQUAL 8)
    message(FATAL_ERROR
        "Found ${certificateCount} certificate file names in ${certificateList}, not 8")
endif()

set(CERTIFICATE_FILES "")
set(missing "")
set(foreign "")
foreach(name IN LISTS certificateNames)
    set(file "${CERTIFICATE_FOLDER}/${name}")
    if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
        list(APPEND missing "${name}")
        continue()
    endif()
    if(OPENSSL)
        execute_process(COMMAND "${OPENSSL}" x509 -noout -inform DER -in "${file}"
            RESULT_VARIABLE derResult OUTPUT_QUIET ERROR_QUIET)
        execute_process(COMMAND "${OPENSSL}" x509 -noout -inform PEM -in "${file}"
            RESULT_VARIABLE pemResult OUTPUT_QUIET ERROR_QUIET)
        if(NOT derResult EQUAL 0 AND NOT pemResult EQUAL 0)
            list(APPEND foreign "${name}")
        endif()
    endif()
    list(APPEND CERTIFICATE_FILES "${file}")
endforeach()
set(problems "")
if(missing)
    list(JOIN missing ", " missingText)
    list(APPEND problems "missing: ${missingText}")
endif()
if(foreign)
    list(JOIN foreign ", " foreignText)
    list(APPEND problems "not a certificate: ${foreignText}")
endif()
if(problems)
    list(JOIN problems "; " problemText)
    message(FATAL_ERROR "Certificate folder ${CERTIFICATE_FOLDER} (TRUST_INSTALLER_CERT_DIR): "
        "${problemText}")
endif()
