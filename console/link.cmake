# Sources of this area added to telvoro_console.
target_sources(telvoro_console PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/commandbytes.h)
