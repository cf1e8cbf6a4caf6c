# The workflow tests over a window double without a toolkit; they run under ThreadSanitizer
# too (label tsan), since Debian's Qt is not built for it.
# They need the document, request and platform layers; until those have landed they are not
# built.
if(NOT (TARGET kessaro_json AND TARGET kessaro_http AND
        EXISTS ${PROJECT_SOURCE_DIR}/app/platform_ops.cpp))
    return()
endif()
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
