# The UDP display search and the targeted address list.
vdfu_add_library(vdfu_discovery_search SOURCES
    addresslist.cpp addresslist.h
    displaysearchudp.cpp displaysearchudp.h
    searchdatagrams.cpp searchdatagrams.h
    udpsearchreplyinfo.h
    LIBS vdfu_app)

vdfu_add_library(vdfu_discovery_widgets WIDGETS SOURCES
    advancedipsearchdialog.cpp advancedipsearchdialog.h advancedipsearchdialog.ui
    LIBS vdfu_discovery_search)
