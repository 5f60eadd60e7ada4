# The window controller and the program (only with the GUI). The controller
# is a library so that the tests drive it in their own process.
add_library(ke_dialog STATIC ${CMAKE_CURRENT_LIST_DIR}/KeFirmwareUpdateDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunKEFirmwareUpdate.cpp)
target_include_directories(ke_dialog PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ke_dialog PUBLIC ke_window ke_core ke_macclasses)

add_executable(KEFirmwareUpdate ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(KEFirmwareUpdate PRIVATE ke_dialog ke_platform_log)
ke_copy_interface_file(KEFirmwareUpdate ${KE_MAIN_UI})

install(TARGETS KEFirmwareUpdate RUNTIME DESTINATION bin)
install(FILES ${KE_MAIN_UI} DESTINATION share/kefirmwareupdate)
