# The main window over Qt 6 Widgets, the picture box and its readers, and the program.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
find_package(JPEG REQUIRED)
find_package(PNG REQUIRED)

# The picture readers of our own need no toolkit (they are fuzz targets too).
add_library(kessaro_picture STATIC
    picture_format.cpp
    jpeg_decoder.cpp
    png_decoder.cpp
    pcx_decoder.cpp
)
target_include_directories(kessaro_picture PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kessaro_picture PRIVATE ${KESSARO_WARNINGS})
target_link_libraries(kessaro_picture PRIVATE JPEG::JPEG PNG::PNG)

# The only code that includes Qt headers.
add_library(kessaro_window STATIC
    application_window.cpp
    information_box.cpp
    main_window.cpp
    picture_box.cpp
    progress_bar.cpp
    qt_window_ops.cpp
    report_list.cpp
    toolkit_setup.cpp
)
target_include_directories(kessaro_window PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kessaro_window PRIVATE ${KESSARO_WARNINGS})
target_link_libraries(kessaro_window PUBLIC kessaro_app kessaro_picture Qt6::Widgets)

add_executable(kessaro main.cpp)
target_compile_options(kessaro PRIVATE ${KESSARO_WARNINGS})
target_compile_definitions(kessaro PRIVATE KESSARO_SEARCH_HOST="${KESSARO_SEARCH_HOST}")
target_link_libraries(kessaro PRIVATE kessaro_window)
