target_sources(morvane_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Json.h
    ${CMAKE_CURRENT_LIST_DIR}/Json.cpp
)
