# The UDP display search and the targeted address list.
vdfu_add_test(tst_searchdatagrams SOURCES tst_searchdatagrams.cpp searchreplybytes.h
    LIBS vdfu_discovery_search)
vdfu_add_test(tst_searchreplyfuzz SOURCES tst_searchreplyfuzz.cpp searchreplybytes.h
    LIBS vdfu_discovery_search)
vdfu_add_test(tst_addresslist SOURCES tst_addresslist.cpp LIBS vdfu_discovery_search)
vdfu_add_test(tst_advancedipsearchdialog SOURCES tst_advancedipsearchdialog.cpp
    LIBS vdfu_discovery_widgets vdfu_resources Qt::Widgets)
