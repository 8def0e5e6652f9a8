# The TCP control client: wire format, exchange rules, reply fuzzing, the web
# probes, and whole exchanges against the display simulator.
add_library(vdfu_test_control STATIC controltesthelpers.cpp controltesthelpers.h)
target_link_libraries(vdfu_test_control PUBLIC vdfu_common Qt::Core)
target_include_directories(vdfu_test_control PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

vdfu_add_test(tst_controlprotocol SOURCES tst_controlprotocol.cpp
    LIBS vdfu_discovery_control vdfu_test_control)
vdfu_add_test(tst_controlexchange SOURCES tst_controlexchange.cpp
    LIBS vdfu_discovery_control vdfu_test_control)
vdfu_add_test(tst_controlreplyfuzz SOURCES tst_controlreplyfuzz.cpp
    LIBS vdfu_discovery_control vdfu_test_control)
vdfu_add_test(tst_displayprobes SOURCES tst_displayprobes.cpp
    LIBS vdfu_discovery_control vdfu_test_tinyhttp)
vdfu_add_test(tst_tcpclient SOURCES tst_tcpclient.cpp LIBS vdfu_discovery_control TIMEOUT 90)
