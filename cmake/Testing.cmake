# Registers a GoogleTest executable with CTest. On Linux every test case becomes its
# own CTest entry; under Wine each program start costs about a second, so the
# cross-compiled build registers the whole executable as one test.
include(GoogleTest)

function(project_add_gtest target)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
