# cmake --install: the program, the demo search service with its launcher, a desktop entry and
# the icon, where a Linux desktop finds them (bin/, share/applications, share/icons/hicolor).
include(GNUInstallDirs)

foreach(program kessaro kessaro-demo-service)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
install(PROGRAMS ${PROJECT_SOURCE_DIR}/demo-service/kessaro-with-demo-service
        DESTINATION ${CMAKE_INSTALL_BINDIR})

# A tool built to ask the bundled demo service starts it from its menu entry too; one built
# for another host starts alone.
if(KESSARO_SEARCH_HOST STREQUAL "127.0.0.1:8642")
    set(KESSARO_DESKTOP_EXEC kessaro-with-demo-service)
else()
    set(KESSARO_DESKTOP_EXEC kessaro)
endif()
configure_file(${PROJECT_SOURCE_DIR}/data/kessaro.desktop.in
               ${PROJECT_BINARY_DIR}/data/kessaro.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/data/kessaro.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/kessaro.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
