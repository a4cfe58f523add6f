# The window program `vantrel`, built when VANTREL_WINDOW is ON (needs Qt 6 Widgets).
find_package(Qt6 REQUIRED COMPONENTS Widgets)
include(GNUInstallDirs)

# The window and its lists as a library, so the window tests drive the very same code.
add_library(vantrel_window STATIC
    ${CMAKE_CURRENT_LIST_DIR}/frmVantrel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmVantrel.h
    ${CMAKE_CURRENT_LIST_DIR}/drive_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/drive_list.h
    ${CMAKE_CURRENT_LIST_DIR}/folder_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder_list.h
    ${CMAKE_CURRENT_LIST_DIR}/file_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list.h
    ${CMAKE_CURRENT_LIST_DIR}/focus_mark.cpp
    ${CMAKE_CURRENT_LIST_DIR}/focus_mark.h
    ${CMAKE_CURRENT_LIST_DIR}/map_link.cpp
    ${CMAKE_CURRENT_LIST_DIR}/map_link.h
    ${CMAKE_CURRENT_LIST_DIR}/status_label.cpp
    ${CMAKE_CURRENT_LIST_DIR}/status_label.h
    ${CMAKE_CURRENT_LIST_DIR}/titled_frame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/titled_frame.h
    ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/command_line.h
    ${CMAKE_CURRENT_LIST_DIR}/resources/vantrel.qrc
)
set_target_properties(vantrel_window PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(vantrel_window PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vantrel_window PUBLIC vantrel_core Qt6::Widgets)
target_compile_definitions(vantrel_window PRIVATE VANTREL_VERSION="${Vantrel_VERSION}")

add_executable(vantrel ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(vantrel PRIVATE vantrel_window)
target_compile_definitions(vantrel PRIVATE VANTREL_VERSION="${Vantrel_VERSION}")

install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/vantrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/vantrel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME vantrel.png)
endforeach()
