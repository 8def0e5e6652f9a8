# The UDP display search and the targeted address list.
vdfu_add_test(tst_searchdatagrams SOURCES tst_searchdatagrams.cpp searchreplybytes.h
    LIBS vdfu_discovery_search)
vdfu_add_test(tst_searchreplyfuzz SOURCES tst_searchreplyfuzz.cpp searchreplybytes.h
    LIBS vdfu_discovery_search)
vdfu_add_test(tst_addresslist SOURCES tst_addresslist.cpp LIBS vdfu_discovery_search)
vdfu_add_test(tst_advancedipsearchdialog SOURCES tst_advancedipsearchdialog.cpp
    LIBS vdfu_discovery_widgets vdfu_resources Qt::Widgets)

# Displays whose search answers a test scripts byte for byte.
add_library(vdfu_scripted_display STATIC scripteddisplay.cpp scripteddisplay.h searchreplybytes.h)
target_link_libraries(vdfu_scripted_display PUBLIC vdfu_common Qt::Core Qt::Network)

vdfu_add_test(tst_displaysearchudp SOURCES tst_displaysearchudp.cpp
    LIBS vdfu_discovery_search vdfu_scripted_display TIMEOUT 90)

# A broadcast search between network namespaces that the test creates (root
# only; skipped otherwise). Both ends run in the helper program.
add_executable(vdfu-searchhelper searchhelper.cpp)
target_link_libraries(vdfu-searchhelper PRIVATE
    vdfu_discovery_search vdfu_discovery_lan vdfu_scripted_display)
vdfu_add_test(tst_broadcastsearchnetns SOURCES tst_broadcastsearchnetns.cpp TIMEOUT 60)
target_compile_definitions(tst_broadcastsearchnetns PRIVATE
    VDFU_SEARCH_HELPER="$<TARGET_FILE:vdfu-searchhelper>")
add_dependencies(tst_broadcastsearchnetns vdfu-searchhelper)
