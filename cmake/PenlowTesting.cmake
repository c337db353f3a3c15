# Helpers for test targets. Every test runs with its own HOME and XDG folders inside the
# build tree so that no test ever touches the real home folder.
set(PENLOW_TEST_HOME ${CMAKE_BINARY_DIR}/test-home)
foreach(sub .config run Documents)
    file(MAKE_DIRECTORY ${PENLOW_TEST_HOME}/${sub})
endforeach()
set(PENLOW_TEST_ENV
    "HOME=${PENLOW_TEST_HOME}"
    "XDG_CONFIG_HOME=${PENLOW_TEST_HOME}/.config"
    "XDG_RUNTIME_DIR=${PENLOW_TEST_HOME}/run"
    "XDG_DOCUMENTS_DIR=${PENLOW_TEST_HOME}/Documents"
    "QT_QPA_PLATFORM=offscreen"
    "PENLOW_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "PENLOW_BUILD_DIR=${CMAKE_BINARY_DIR}"
    "PENLOW_PROGRAM_DIR=${CMAKE_BINARY_DIR}/Penlow"
    "PENLOW_SCREENS_DIR=${CMAKE_BINARY_DIR}/screens"
    # No test reaches the machine's adb server on 5037 or starts one there: adb refuses this
    # value at once. Tests with a phone point it at their phonesim instead.
    "ANDROID_ADB_SERVER_PORT=0"
    # new_delete_type_mismatch: Chromium inside libQt6WebEngineCore (not built with the
    # sanitizer) deletes some of its objects through a base of another size; every page that
    # creates a browser would stop there.
    "ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0"
    # Pages with the embedded web engine: tests run as root in CI, where Chromium's sandbox
    # cannot start, and there is no GPU under the offscreen platform.
    "QTWEBENGINE_DISABLE_SANDBOX=1"
    "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu"
    # A ThreadSanitizer report fails the test; reports inside Qt's own code are suppressed (see
    # the file for why they are false).
    "TSAN_OPTIONS=exitcode=66 halt_on_error=0 second_deadlock_stack=1 suppressions=${CMAKE_SOURCE_DIR}/cmake/tsan-suppressions.txt"
)

# penlow_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s] [LABELS l])
function(penlow_add_gtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} penlow_testsupport GTest::gtest GTest::gtest_main Threads::Threads)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PENLOW_TEST_ENV}" TIMEOUT ${ARG_TIMEOUT}
                                            LABELS "${ARG_LABELS}")
endfunction()

# penlow_add_qtest(NAME SOURCES a.cpp LIBS lib1 [TIMEOUT s])
function(penlow_add_qtest name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} penlow_testsupport Qt6::Test Threads::Threads)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PENLOW_TEST_ENV}" TIMEOUT ${ARG_TIMEOUT}
                                            LABELS "${ARG_LABELS}")
endfunction()
