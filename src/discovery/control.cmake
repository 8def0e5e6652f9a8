# The TCP control client, the display web probes and the process file limit.
vdfu_add_library(vdfu_discovery_control SOURCES
    controlexchange.cpp controlexchange.h
    controlprotocol.cpp controlprotocol.h
    controlrequests.cpp controlrequests.h
    displayprobes.cpp displayprobes.h
    openfilelimit.cpp openfilelimit.h
    pdtcpreply.h
    tcpclient.cpp tcpclient.h
    LIBS vdfu_catalogue vdfu_discovery_search vdfu_download)
