# GoogleTest is compiled from Debian's source package so the same sources serve
# the native build and the MinGW-w64 cross build.
set(GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
if(NOT EXISTS "${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${GOOGLETEST_SOURCE_DIR}; run scripts/setup.sh")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# One test executable; natively every test case becomes its own CTest test,
# under an emulator (Wine) the executable is one test so Wine starts once.
# TEST_PREFIX optionally prefixes the native test names (e.g. "host.");
# PROPERTIES are CTest properties of each test (e.g. RUN_SERIAL TRUE).
# DISPLAY marks tests that use the X server's pointer and keyboard: CTest runs
# no two of them at once, even with -j.
# SHUFFLED (natively, for suites of a few seconds) adds one more test,
# <name>.shuffled, that runs the whole suite three times in one process in a
# random order: a test that leans on what another left behind, or on running
# first, fails there.
function(tonewell_add_test_executable name)
    cmake_parse_arguments(ARG "DISPLAY;SHUFFLED" "TEST_PREFIX" "SOURCES;LIBRARIES;PROPERTIES"
                          ${ARGN})
    set(properties ${ARG_PROPERTIES})
    if(ARG_DISPLAY)
        list(APPEND properties RESOURCE_LOCK x_display)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    tonewell_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        if(properties)
            set_tests_properties(${name} PROPERTIES ${properties})
        endif()
    else()
        if(properties)
            gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${ARG_TEST_PREFIX}"
                                 PROPERTIES ${properties})
        else()
            gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${ARG_TEST_PREFIX}")
        endif()
        if(ARG_SHUFFLED)
            add_test(NAME ${name}.shuffled COMMAND ${name} --gtest_repeat=3 --gtest_shuffle)
            if(properties)
                set_tests_properties(${name}.shuffled PROPERTIES ${properties})
            endif()
        endif()
    endif()
endfunction()
