# Sources of this area added to telvoro_console.
target_sources(telvoro_console PRIVATE
    historyrecord.h historyrecord.cpp
    historycell.h historycell.cpp
    historypaging.h historypaging.cpp
    historystore.h historystore.cpp
    csvreport.h csvreport.cpp
)
