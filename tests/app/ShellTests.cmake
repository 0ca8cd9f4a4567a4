# Tests of the shell's platform pieces: Qt timers, sound and dialogs, the yes/no dialog, and
# the sounds and help page generated beside the program. Included from tests/app.

set(VK_SHELL_PROGRAM_DIR ${CMAKE_BINARY_DIR}/src/app)

vk_ui_test(shell_dialog_tests ${CMAKE_CURRENT_LIST_DIR}/shell/DlgYesNoTest.cpp)
target_link_libraries(shell_dialog_tests PRIVATE app_platform_ui)

vk_ui_test(shell_platform_tests ${CMAKE_CURRENT_LIST_DIR}/shell/QtPlatformTest.cpp)
target_link_libraries(shell_platform_tests PRIVATE app_platform_ui)
target_compile_definitions(shell_platform_tests PRIVATE VK_PROGRAM_DIR="${VK_SHELL_PROGRAM_DIR}")
add_dependencies(shell_platform_tests velkoran_assets)

vk_core_test(shell_assets_tests ${CMAKE_CURRENT_LIST_DIR}/shell/AssetsTest.cpp)
target_compile_definitions(shell_assets_tests PRIVATE VK_PROGRAM_DIR="${VK_SHELL_PROGRAM_DIR}")
add_dependencies(shell_assets_tests velkoran_assets)
