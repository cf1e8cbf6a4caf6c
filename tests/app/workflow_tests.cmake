# The workflow tests over a window double without a toolkit; they run under ThreadSanitizer
# too (label tsan), since Debian's Qt is not built for it.
pkg_check_modules(FLOW_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
kessaro_add_test(test_workflows
    SOURCES
        workflow_collect_test.cpp
        workflow_controls_test.cpp
        workflow_save_test.cpp
        workflow_threads_test.cpp
    LIBS kessaro_app PkgConfig::FLOW_HTTPLIB
    LABELS tsan
    TIMEOUT 120)

# The same workflows end to end over the real window, offscreen (not under ThreadSanitizer).
find_package(Qt6 REQUIRED COMPONENTS Test)
kessaro_add_test(test_workflow_window
    SOURCES workflow_window_test.cpp
    LIBS kessaro_window kessaro_demo_service Qt6::Test PkgConfig::FLOW_HTTPLIB
    ENV QT_QPA_PLATFORM=offscreen
    TIMEOUT 120)
# The window tests' shared support (the toolkit, dialog answering) names their pictures.
target_compile_definitions(test_workflow_window PRIVATE
    KESSARO_TEST_PICTURES="${CMAKE_CURRENT_SOURCE_DIR}/pictures")
