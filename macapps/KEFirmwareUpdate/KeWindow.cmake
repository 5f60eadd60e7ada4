# The window module (only with the GUI). Executables that load the interface
# file get a copy beside them with ke_copy_interface_file(<target> ${KE_MAIN_UI}).
add_library(ke_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/KeAlerts.cpp)
target_include_directories(ke_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ke_window PUBLIC ke_macclasses_ui ke_platform_ui ke_platform_text)

set(KE_MAIN_UI ${CMAKE_CURRENT_LIST_DIR}/main.ui CACHE INTERNAL "The application's interface file")

# The window controller and the program build on the module.
include(${CMAKE_CURRENT_LIST_DIR}/KeApp.cmake)
