# Compiler settings shared by every target of both builds.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Modules export only what they mark for export.
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()
# -O2 everywhere: the benchmark, the renderer and the plug-ins run the same code.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O2 -g")
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O2 -g")

add_compile_options(-Wall -Wextra)

# The sound depends on the exact single-precision operation order: no fused
# multiply-add contraction, no fast-math reassociation, SSE2 scalar maths.
# Applied to all code so that no file can drift from the engine's rules.
add_compile_options(-ffp-contract=off -fno-fast-math -msse2 -mfpmath=sse)

if(WIN32)
    set(BROLT_WINDOWS ON)
    # The DLLs and test programs must need nothing but Windows system DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
                            _WIN32_WINNT=0x0A00)
else()
    set(BROLT_WINDOWS OFF)
endif()

if(BROLT_SANITIZE)
    add_compile_options(-fsanitize=${BROLT_SANITIZE} -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${BROLT_SANITIZE})
    # Tests that replace the allocator or run outside programs check this.
    add_compile_definitions(BROLT_SANITIZED=1)
endif()

# The LV2 headers are architecture independent; expose only them, never the
# rest of the host's /usr/include, to the cross compiler.
set(BROLT_LV2_INCLUDE "${CMAKE_BINARY_DIR}/lv2-include")
if(NOT EXISTS "${BROLT_LV2_INCLUDE}/lv2")
    file(MAKE_DIRECTORY "${BROLT_LV2_INCLUDE}")
    file(CREATE_LINK /usr/include/lv2 "${BROLT_LV2_INCLUDE}/lv2" SYMBOLIC)
endif()

# Where the bundles are assembled in the build tree; `cmake --install` copies
# them to dist/.
set(BROLT_BUNDLES_DIR "${CMAKE_BINARY_DIR}/bundles")
set(BROLT_LV2_BUNDLE "${BROLT_BUNDLES_DIR}/wyrel-brolt.lv2")
set(BROLT_VST3_BUNDLE "${BROLT_BUNDLES_DIR}/wyrel-brolt.vst3")
