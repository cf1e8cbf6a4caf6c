# Tests that prove faults lose nothing: killed writes.
kessaro_add_test(test_app_crash_safety SOURCES write_file_crash_test.cpp LIBS kessaro_app
    TIMEOUT 600)
