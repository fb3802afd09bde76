# Windows resources of the project's executables: a manifest and a version resource, both
# carrying the project version. Nothing happens on other systems.
if(WIN32)
    enable_language(RC)
endif()

# Gives target a manifest that asks for the invoker's rights (the programs run at logon without
# elevation, and a name holding "install" would otherwise make Windows ask for them) and a
# version resource: FileVersion and ProductVersion from project(... VERSION), FileDescription,
# ProductName and OriginalFilename, which the file's properties, inventory tools and
# detection rules read. The resources are compiled in a target of their own because the C++
# warning flags mean nothing to the resource compiler.
function(project_windows_resources target assemblyName description)
    if(NOT WIN32)
        return()
    endif()
    set(RESOURCE_FILE_NAME "${target}.exe")
    set(RESOURCE_ASSEMBLY_NAME "${assemblyName}")
    set(RESOURCE_DESCRIPTION "${description}")
    set(manifest "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
    set(RESOURCE_MANIFEST "${manifest}")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}-resources.rc")
    configure_file(${PROJECT_SOURCE_DIR}/cmake/application.manifest.in ${manifest} @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/resources.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
    add_library(${target}-resources OBJECT ${rc})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}-resources>)
endfunction()
