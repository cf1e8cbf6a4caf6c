# The workflows beyond their pauses: collecting and saving, beside their unavoidable work.
pkg_check_modules(FLOW_BENCH_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(CURL REQUIRED)
kessaro_add_bench(bench_workflows
    SOURCES bench_workflows.cpp
    LIBS kessaro_app PkgConfig::FLOW_BENCH_HTTPLIB CURL::libcurl)
