# How a program is installed. On Windows it also carries, inside the .exe, its icon, a
# VERSIONINFO of the project's version and an application manifest, and its run-time DLLs are
# gathered into the install tree beside it (packaging/windows/CMakeLists.txt).
#   telvoro_install_program(<target> ICON <svg in packaging/> DESCRIPTION <text> [UTF8])
# UTF8: the process's ANSI code page is UTF-8 (manifest), for programs that meet narrow text.
include(GNUInstallDirs)

if(WIN32)
    # Everything sits in one folder: the programs, Qt's DLLs and the plugin folders Qt looks for
    # beside the program.
    set(TELVORO_INSTALL_BINDIR .)
else()
    set(TELVORO_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
endif()

function(telvoro_install_program target)
    cmake_parse_arguments(P "UTF8" "ICON;DESCRIPTION" "" ${ARGN})
    if(NOT WIN32)
        install(TARGETS ${target} RUNTIME DESTINATION ${TELVORO_INSTALL_BINDIR})
        return()
    endif()
    telvoro_windows_icon(${P_ICON} icon)
    set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
    set(TELVORO_MANIFEST_NAME ${target})
    set(TELVORO_MANIFEST_CODE_PAGE "")
    if(P_UTF8)
        set(TELVORO_MANIFEST_CODE_PAGE
            "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in ${manifest} @ONLY)
    set(TELVORO_RC_ICON ${icon})
    set(TELVORO_RC_MANIFEST ${manifest})
    set(TELVORO_RC_NAME ${target})
    set(TELVORO_RC_DESCRIPTION "${P_DESCRIPTION}")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    if(MSVC)
        # The manifest is in the .rc; MSVC's linker would add a second one of its own.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc APPEND PROPERTY
                 OBJECT_DEPENDS ${icon} ${manifest})
    install(TARGETS ${target} RUNTIME DESTINATION ${TELVORO_INSTALL_BINDIR})
    set_property(GLOBAL APPEND PROPERTY TELVORO_WINDOWS_PROGRAMS ${target})
endfunction()

# A Windows icon (16 to 256 pixels) drawn from one of packaging/'s SVG icons, made when CMake
# configures, again whenever the SVG changes.
function(telvoro_windows_icon svg out)
    find_program(RSVG_CONVERT_PROGRAM rsvg-convert REQUIRED)
    find_program(ICOTOOL_PROGRAM icotool REQUIRED)
    get_filename_component(name ${svg} NAME_WE)
    set(source ${PROJECT_SOURCE_DIR}/packaging/${svg})
    set(dir ${PROJECT_BINARY_DIR}/icons)
    set(ico ${dir}/${name}.ico)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    if(NOT EXISTS ${ico} OR ${source} IS_NEWER_THAN ${ico})
        file(MAKE_DIRECTORY ${dir})
        set(pngs)
        foreach(size 16 24 32 48 64)
            set(png ${dir}/${name}-${size}.png)
            execute_process(COMMAND ${RSVG_CONVERT_PROGRAM} -w ${size} -h ${size} -o ${png} ${source}
                            COMMAND_ERROR_IS_FATAL ANY)
            list(APPEND pngs ${png})
        endforeach()
        # The large size is kept as PNG inside the icon, as Windows expects from Vista on.
        execute_process(COMMAND ${RSVG_CONVERT_PROGRAM} -w 256 -h 256 -o ${dir}/${name}-256.png ${source}
                        COMMAND_ERROR_IS_FATAL ANY)
        execute_process(COMMAND ${ICOTOOL_PROGRAM} -c -o ${ico} ${pngs} -r ${dir}/${name}-256.png
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
    set(${out} ${ico} PARENT_SCOPE)
endfunction()
