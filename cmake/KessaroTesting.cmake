# kessaro_add_test(NAME SOURCES src... LIBS lib... [LABELS label...] [ENV VAR=value...])
# One GoogleTest executable; each of its tests becomes a CTest test. Tests labelled
# "tsan" also join the ThreadSanitizer run (target kessaro_tsan_tests).
include(GoogleTest)
find_package(GTest REQUIRED)

if(NOT TARGET kessaro_tsan_tests)
    add_custom_target(kessaro_tsan_tests)
endif()

function(kessaro_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_compile_options(${name} PRIVATE ${KESSARO_WARNINGS})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set(properties TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        list(APPEND properties LABELS "${T_LABELS}")
    endif()
    if(T_ENV)
        # gtest_discover_tests flattens list-valued test properties, so the program sets its
        # environment itself before main.
        string(JOIN "|" environment ${T_ENV})
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/test_environment.cpp)
        target_compile_definitions(${name} PRIVATE KESSARO_TEST_ENVIRONMENT="${environment}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${properties})
    if("tsan" IN_LIST T_LABELS)
        add_dependencies(kessaro_tsan_tests ${name})
    endif()
endfunction()
