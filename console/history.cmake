# Sources of this area added to telvoro_console.
target_sources(telvoro_console PRIVATE
    historypaging.h historypaging.cpp
)
