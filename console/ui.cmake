# Sources of this area added to telvoro_console.
target_sources(telvoro_console PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/hovercard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hovercard.h
    ${CMAKE_CURRENT_LIST_DIR}/logname.cpp
    ${CMAKE_CURRENT_LIST_DIR}/logname.h
    ${CMAKE_CURRENT_LIST_DIR}/console.qrc)
