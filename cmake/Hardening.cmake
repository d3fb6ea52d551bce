# Builds for finding memory and undefined-behaviour faults.
#
# KELVARO_SANITIZE: everything (library, program, tests) with AddressSanitizer
# and UndefinedBehaviorSanitizer; a finding ends the process with an error, so
# it fails the test that ran into it.
#
# KELVARO_FUZZ (clang only): the library instrumented for libFuzzer as well, and
# only the fuzz targets of tests/fuzz built, as libFuzzer programs.
option(KELVARO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KELVARO_FUZZ "Build the libFuzzer targets of tests/fuzz (needs clang)" OFF)

set(KELVARO_SANITIZER_COMPILE_OPTIONS
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
set(KELVARO_SANITIZER_LINK_OPTIONS -fsanitize=address,undefined)

if(KELVARO_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KELVARO_FUZZ needs clang (libFuzzer), e.g. -DCMAKE_CXX_COMPILER=clang++-14")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link ${KELVARO_SANITIZER_COMPILE_OPTIONS})
    add_link_options(${KELVARO_SANITIZER_LINK_OPTIONS})
elseif(KELVARO_SANITIZE)
    add_compile_options(${KELVARO_SANITIZER_COMPILE_OPTIONS})
    add_link_options(${KELVARO_SANITIZER_LINK_OPTIONS})
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # The instrumentation misleads these two flow analyses of g++ into
        # false alarms in code the ordinary build compiles without a warning.
        add_compile_options(-Wno-maybe-uninitialized -Wno-array-bounds)
    endif()
endif()

# kelvaro_use_sanitizer_options(<test> [ASan options...]): in a sanitizer
# build, the test runs stopping at the first finding and reporting leaks,
# except those of system libraries listed in tests/sanitizer/lsan.supp.
function(kelvaro_use_sanitizer_options test)
    if(NOT KELVARO_SANITIZE)
        return()
    endif()
    list(JOIN ARGN ":" extra)
    set(asan detect_leaks=1:check_initialization_order=1:strict_init_order=1:halt_on_error=1)
    if(extra)
        string(APPEND asan ":${extra}")
    endif()
    set(environment
        "ASAN_OPTIONS=${asan}"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
        "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/sanitizer/lsan.supp:print_suppressions=0"
        # GLib's slice allocator would hide its blocks from the leak checker.
        "G_SLICE=always-malloc")
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${environment}")
endfunction()
