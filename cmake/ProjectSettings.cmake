# Compiler warnings, Qt safety defines and sanitizers shared by every target.
add_library(vdfu_common INTERFACE)
target_compile_options(vdfu_common INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(VDFU_WERROR)
    target_compile_options(vdfu_common INTERFACE -Werror)
endif()
target_compile_definitions(vdfu_common INTERFACE
    QT_DISABLE_DEPRECATED_BEFORE=0x050F00
    QT_NO_CAST_FROM_BYTEARRAY
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH)
target_include_directories(vdfu_common INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(VDFU_SANITIZE)
    set(VDFU_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_compile_options(vdfu_common INTERFACE ${VDFU_SANITIZER_FLAGS})
    target_link_options(vdfu_common INTERFACE ${VDFU_SANITIZER_FLAGS})
endif()

if(VDFU_COVERAGE)
    target_compile_options(vdfu_common INTERFACE --coverage -fno-inline)
    target_link_options(vdfu_common INTERFACE --coverage)
endif()

# Declares one static library of a subsystem folder. Logic libraries link
# QtCore/QtNetwork only; pass WIDGETS for the folder's widget library.
function(vdfu_add_library name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC vdfu_common Qt::Core Qt::Network ${ARG_LIBS})
    if(ARG_WIDGETS)
        target_link_libraries(${name} PUBLIC Qt::Gui Qt::Widgets Qt::Svg)
    endif()
endfunction()

# Adds a subsystem's part of the fleet engine, the widget-free work that the
# main window and the command line share (src/app/fleetengine.h): its sources
# in the subsystem's folder and the libraries they use.
function(vdfu_add_engine_part)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    target_sources(vdfu_engine PRIVATE ${ARG_SOURCES})
    target_link_libraries(vdfu_engine PUBLIC ${ARG_LIBS})
endfunction()

# Adds a subsystem's part of the main window from the subsystem's own folder:
# sources that implement main-window slots (they include its form) and the
# libraries they use. The app folder, which declares the window, comes first.
function(vdfu_add_main_window_part)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    target_sources(vdfu_app_widgets PRIVATE ${ARG_SOURCES})
    target_link_libraries(vdfu_app_widgets PUBLIC ${ARG_LIBS})
endfunction()
