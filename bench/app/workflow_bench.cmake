# The workflows beyond their pauses: collecting and saving, beside their unavoidable work.
if(NOT (TARGET kessaro_json AND TARGET kessaro_http AND
        EXISTS ${PROJECT_SOURCE_DIR}/app/platform_ops.cpp))
    return()
endif()
pkg_check_modules(FLOW_BENCH_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(CURL REQUIRED)
kessaro_add_bench(bench_workflows
    SOURCES bench_workflows.cpp
    LIBS kessaro_app PkgConfig::FLOW_BENCH_HTTPLIB CURL::libcurl)
