# The main window's start-up and the picture box's decoding, each beside its reference.

find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)

# Start-up: two small programs that end at their first paint (not named bench_*: the
# benchmark runs them).
add_executable(window_start_probe bench_window_start_probe.cpp)
target_compile_options(window_start_probe PRIVATE ${KESSARO_WARNINGS})
target_link_libraries(window_start_probe PRIVATE kessaro_window)
add_executable(bare_window_probe bench_window_start_probe.cpp)
target_compile_options(bare_window_probe PRIVATE ${KESSARO_WARNINGS})
target_compile_definitions(bare_window_probe PRIVATE KESSARO_BARE_WINDOW)
target_link_libraries(bare_window_probe PRIVATE Qt6::Widgets)

kessaro_add_bench(bench_window_start SOURCES bench_window_start.cpp LIBS)
target_include_directories(bench_window_start PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(bench_window_start PRIVATE
    KESSARO_START_PROBE="$<TARGET_FILE:window_start_probe>"
    KESSARO_BARE_PROBE="$<TARGET_FILE:bare_window_probe>")
add_dependencies(bench_window_start window_start_probe bare_window_probe)

kessaro_add_bench(bench_window_decode
    SOURCES bench_window_decode.cpp
    LIBS kessaro_window JPEG::JPEG PNG::PNG)
target_include_directories(bench_window_decode PRIVATE ${PROJECT_SOURCE_DIR})
