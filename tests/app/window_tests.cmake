# Tests of the main window, its operations, the picture box and the platform operations.
# Each test runs in its own process (one CTest test per GoogleTest test) on the offscreen
# platform, with its own temporary folders.
set(window_test_env QT_QPA_PLATFORM=offscreen)
find_package(Qt6 REQUIRED COMPONENTS Test)
# zlib recomputes the checksum of a PNG header the tests change.
find_package(ZLIB REQUIRED)

kessaro_add_test(test_window_platform_ops
    SOURCES window_platform_ops_test.cpp
    LIBS kessaro_app
    LABELS tsan)

kessaro_add_test(test_window_pictures
    SOURCES window_pictures_test.cpp window_test_main.cpp
    LIBS kessaro_window ZLIB::ZLIB
    ENV ${window_test_env})

kessaro_add_test(test_window_ops
    SOURCES window_ops_test.cpp window_test_main.cpp
    LIBS kessaro_window Qt6::Test
    ENV ${window_test_env})

kessaro_add_test(test_window_start
    SOURCES window_start_test.cpp window_test_main.cpp
    LIBS kessaro_window Qt6::Test
    ENV ${window_test_env})

foreach(test test_window_pictures test_window_ops test_window_start)
    target_compile_definitions(${test} PRIVATE
        KESSARO_TEST_PICTURES="${CMAKE_CURRENT_SOURCE_DIR}/pictures")
endforeach()
