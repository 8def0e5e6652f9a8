# The LAN interfaces that a broadcast search can use.
vdfu_add_library(vdfu_discovery_lan SOURCES
    laninterfaces.cpp laninterfaces.h)
