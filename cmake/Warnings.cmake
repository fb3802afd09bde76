# One place sets the warning flags of every target of the project.
function(project_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wformat=2 -Wimplicit-fallthrough)
    if(PROJECT_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
