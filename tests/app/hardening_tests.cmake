# Tests that prove faults lose nothing: killed writes.
kessaro_add_test(test_app_crash_safety SOURCES write_file_crash_test.cpp LIBS kessaro_app
    TIMEOUT 600)

# The workflows over the real window fed hostile replies, addresses and pictures (offscreen).
find_package(Qt6 REQUIRED COMPONENTS Test)
find_package(ZLIB REQUIRED)
kessaro_add_test(test_workflow_hardening
    SOURCES workflow_hardening_test.cpp
    LIBS kessaro_window kessaro_demo_service ZLIB::ZLIB
    ENV QT_QPA_PLATFORM=offscreen
    TIMEOUT 300)
target_compile_definitions(test_workflow_hardening PRIVATE
    KESSARO_TEST_PICTURES="${CMAKE_CURRENT_SOURCE_DIR}/pictures")

# Resident memory over repeated previews, parses and collects (skipped under sanitizers).
kessaro_add_test(test_workflow_memory
    SOURCES workflow_memory_test.cpp
    LIBS kessaro_window kessaro_demo_service
    ENV QT_QPA_PLATFORM=offscreen
    TIMEOUT 300)
target_compile_definitions(test_workflow_memory PRIVATE
    KESSARO_TEST_PICTURES="${CMAKE_CURRENT_SOURCE_DIR}/pictures")
