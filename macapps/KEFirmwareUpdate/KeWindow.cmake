# The window module (only with the GUI): the alerts, the window's controller
# and the program. The controller is a library so that the tests drive it in
# their own process. Executables that load the interface file get a copy
# beside them with ke_copy_interface_file(<target> ${KE_MAIN_UI}).
add_library(ke_dialog STATIC
  ${CMAKE_CURRENT_LIST_DIR}/JobExitWait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeAlerts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeFirmwareUpdateDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunKEFirmwareUpdate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnitChoice.cpp)
target_include_directories(ke_dialog PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ke_dialog PUBLIC ke_macclasses_ui ke_platform_ui ke_core ke_macclasses)

set(KE_MAIN_UI ${CMAKE_CURRENT_LIST_DIR}/main.ui CACHE INTERNAL "The application's interface file")

add_executable(KEFirmwareUpdate ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(KEFirmwareUpdate PRIVATE ke_dialog ke_platform_log)
target_compile_definitions(KEFirmwareUpdate PRIVATE KE_APP_VERSION="${PROJECT_VERSION}")
ke_copy_interface_file(KEFirmwareUpdate ${KE_MAIN_UI})
ke_copy_translations(KEFirmwareUpdate)

install(TARGETS KEFirmwareUpdate RUNTIME DESTINATION bin)
install(FILES ${KE_MAIN_UI} DESTINATION share/kefirmwareupdate)
