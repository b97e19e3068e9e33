# Contents/Resources/moduleinfo.json, written at build time from the same
# tables the factory answers from. The writer is a small tool built with the
# build machine's own compiler, because the module itself is cross-compiled.
find_program(BROLT_HOST_CXX NAMES g++ c++ REQUIRED)

set(BROLT_MODULEINFO_SOURCES
    ${PROJECT_SOURCE_DIR}/vst3/vst3_moduleinfo_main.cpp
    ${PROJECT_SOURCE_DIR}/vst3/vst3_classes.cpp
    ${PROJECT_SOURCE_DIR}/vst3/vst3_moduleinfo.cpp)
set(BROLT_MODULEINFO_TOOL ${CMAKE_CURRENT_BINARY_DIR}/vst3-moduleinfo)
set(BROLT_MODULEINFO ${BROLT_VST3_BUNDLE}/Contents/Resources/moduleinfo.json)

add_custom_command(
    OUTPUT ${BROLT_MODULEINFO_TOOL}
    COMMAND ${BROLT_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -I${PROJECT_SOURCE_DIR}
            ${BROLT_MODULEINFO_SOURCES} -o ${BROLT_MODULEINFO_TOOL}
    DEPENDS ${BROLT_MODULEINFO_SOURCES} ${PROJECT_SOURCE_DIR}/vst3/vst3_classes.h
    COMMENT "Building the moduleinfo.json writer with the build machine's compiler"
    VERBATIM)
add_custom_command(
    OUTPUT ${BROLT_MODULEINFO}
    COMMAND ${BROLT_MODULEINFO_TOOL} ${BROLT_MODULEINFO} wyrel-brolt
    DEPENDS ${BROLT_MODULEINFO_TOOL}
    COMMENT "Writing moduleinfo.json"
    VERBATIM)
add_custom_target(brolt_vst3_moduleinfo ALL DEPENDS ${BROLT_MODULEINFO})
