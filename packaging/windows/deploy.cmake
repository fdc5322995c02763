# Install step: copies beside the installed programs every DLL that they and their plugins
# import, directly or through each other, from the folder of DLLs the build may ship.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
# file(INSTALL) puts DESTDIR in front by itself.
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${TELVORO_DEPLOY_OBJDUMP}")
list(TRANSFORM TELVORO_DEPLOY_PROGRAMS PREPEND "${root}/")
list(TRANSFORM TELVORO_DEPLOY_PLUGINS PREPEND "${root}/")
file(GET_RUNTIME_DEPENDENCIES
     EXECUTABLES ${TELVORO_DEPLOY_PROGRAMS}
     MODULES ${TELVORO_DEPLOY_PLUGINS}
     DIRECTORIES "${TELVORO_DEPLOY_LOOKUP}"
     # API sets are names Windows maps to its own DLLs, never files.
     PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
     RESOLVED_DEPENDENCIES_VAR shipped
     UNRESOLVED_DEPENDENCIES_VAR windows)
foreach(link IN LISTS shipped)
    # The real file, under its own name.
    file(REAL_PATH "${link}" dll)
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}" TYPE SHARED_LIBRARY FILES "${dll}")
endforeach()
list(JOIN windows " " windows)
message(STATUS "Imported from Windows itself: ${windows}")
