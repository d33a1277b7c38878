# The platform-free parts of the tool as static libraries, built natively: the native tests and
# the fuzz targets take the same sources. KEYSTEAD_ROOT names the source tree.
function(keystead_platform_free_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${KEYSTEAD_ROOT}/tool)
    target_compile_options(${name} PRIVATE ${KEYSTEAD_WARNINGS})
endfunction()

keystead_platform_free_library(keystead_device_list ${KEYSTEAD_ROOT}/tool/token/device_list.cpp
    ${KEYSTEAD_ROOT}/tool/token/der_length.cpp ${KEYSTEAD_ROOT}/tool/shell/token_events.cpp)
keystead_platform_free_library(keystead_install_check
    ${KEYSTEAD_ROOT}/tool/install_check/os_description.cpp
    ${KEYSTEAD_ROOT}/tool/install_check/report_parts.cpp)
keystead_platform_free_library(keystead_pin_rules ${KEYSTEAD_ROOT}/tool/pin/pin_policy.cpp
    ${KEYSTEAD_ROOT}/tool/pin/pin_field.cpp)
keystead_platform_free_library(keystead_card_rules
    ${KEYSTEAD_ROOT}/tool/card_binding/serial_codec.cpp)
keystead_platform_free_library(keystead_expiry_rules
    ${KEYSTEAD_ROOT}/tool/certificates/expiry_rules.cpp)
keystead_platform_free_library(keystead_tray_rules ${KEYSTEAD_ROOT}/tool/shell/icon_record.cpp)
