<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name></name>
    <message id="applicationName">
        <source>applicationName</source>
        <translation>Vindra</translation>
    </message>
    <message id="searchCamera">
        <source>searchCamera</source>
        <translation>Search Cameras</translation>
    </message>
    <message id="aboutApplication">
        <source>aboutApplication</source>
        <translation>About Vindra</translation>
    </message>
    <message id="exitApplication">
        <source>exitApplication</source>
        <translation>Exit</translation>
    </message>
    <message id="version">
        <source>version</source>
        <translation>Version</translation>
    </message>
    <message id="allRightsReserved">
        <source>allRightsReserved</source>
        <translation>All rights reserved.</translation>
    </message>
    <message id="macAddress">
        <source>macAddress</source>
        <translation>MAC Address</translation>
    </message>
    <message id="ipv4Address">
        <source>ipv4Address</source>
        <translation>IPv4 Address</translation>
    </message>
    <message id="ipv6Address">
        <source>ipv6Address</source>
        <translation>IPv6 Address</translation>
    </message>
    <message id="autoIpAddress">
        <source>autoIpAddress</source>
        <translation>Auto-IP Address</translation>
    </message>
    <message id="modelName">
        <source>modelName</source>
        <translation>Model</translation>
    </message>
    <message id="serialNo">
        <source>serialNo</source>
        <translation>Serial No.</translation>
    </message>
    <message id="copyRow">
        <source>copyRow</source>
        <translation>Copy Row</translation>
    </message>
    <message id="copyAllRows">
        <source>copyAllRows</source>
        <translation>Copy All Rows</translation>
    </message>
    <message id="copyMacAddress">
        <source>copyMacAddress</source>
        <translation>Copy MAC Address</translation>
    </message>
    <message id="copyIpv4Address">
        <source>copyIpv4Address</source>
        <translation>Copy IPv4 Address</translation>
    </message>
    <message id="copyIpv6Address">
        <source>copyIpv6Address</source>
        <translation>Copy IPv6 Address</translation>
    </message>
    <message id="copyAutoIpAddress">
        <source>copyAutoIpAddress</source>
        <translation>Copy Auto-IP Address</translation>
    </message>
    <message id="copyModel">
        <source>copyModel</source>
        <translation>Copy Model</translation>
    </message>
    <message id="copySerialNumber">
        <source>copySerialNumber</source>
        <translation>Copy Serial Number</translation>
    </message>
    <message id="openPage">
        <source>openPage</source>
        <translation>Open %1</translation>
    </message>
    <message id="copyPageUrl">
        <source>copyPageUrl</source>
        <translation>Copy %1</translation>
    </message>
    <message id="outsideNetworks">
        <source>outsideNetworks</source>
        <translation>%1 did not answer. It is outside this computer's networks (%2): a router or firewall between them may block it.</translation>
    </message>
    <message id="outsideNoNetwork">
        <source>outsideNoNetwork</source>
        <translation>%1 did not answer. It is outside this computer's networks (it has no IPv4 network): a router or firewall between them may block it.</translation>
    </message>
    <message id="networkOnInterface">
        <source>networkOnInterface</source>
        <translation>%1 on %2</translation>
    </message>
    <message id="cameraTable">
        <source>cameraTable</source>
        <translation>Cameras</translation>
    </message>
    <message id="searchStatus">
        <source>searchStatus</source>
        <translation>Search status</translation>
    </message>
    <message id="filter">
        <source>filter</source>
        <translation>Filter</translation>
    </message>
    <message id="linkTo">
        <source>linkTo</source>
        <translation>Link to %1</translation>
    </message>
    <message id="nothingFound">
        <source>nothingFound</source>
        <translation>No devices found.</translation>
    </message>
    <message id="nothingFoundInterfaces">
        <source>nothingFoundInterfaces</source>
        <translation>Searched on %1.</translation>
    </message>
    <message id="nothingFoundNoInterface">
        <source>nothingFoundNoInterface</source>
        <translation>No network interface with multicast.</translation>
    </message>
    <message id="nothingFoundPortClosed">
        <source>nothingFoundPortClosed</source>
        <translation>UDP port 5353 could not be opened: %1</translation>
    </message>
    <message id="nothingFoundPortShared">
        <source>nothingFoundPortShared</source>
        <translation>UDP port 5353 is open, shared with another mDNS program.</translation>
    </message>
    <message id="nothingFoundPortOpen">
        <source>nothingFoundPortOpen</source>
        <translation>UDP port 5353 is open.</translation>
    </message>
    <message id="nothingFoundFirewall">
        <source>nothingFoundFirewall</source>
        <translation>If a firewall blocks mDNS, allow it: firewall-cmd --add-service=mdns or ufw allow 5353/udp</translation>
    </message>
    <message id="statusSearching" numerus="yes">
        <source>statusSearching</source>
        <translation>
            <numerusform>Searching… %n device</numerusform>
            <numerusform>Searching… %n devices</numerusform>
        </translation>
    </message>
    <message id="statusFound" numerus="yes">
        <source>statusFound</source>
        <translation>
            <numerusform>%n device (%1, %2)</numerusform>
            <numerusform>%n devices (%1, %2)</numerusform>
        </translation>
    </message>
    <message id="statusCameras" numerus="yes">
        <source>statusCameras</source>
        <translation>
            <numerusform>%n camera</numerusform>
            <numerusform>%n cameras</numerusform>
        </translation>
    </message>
    <message id="statusControllers" numerus="yes">
        <source>statusControllers</source>
        <translation>
            <numerusform>%n controller</numerusform>
            <numerusform>%n controllers</numerusform>
        </translation>
    </message>
    <message id="statusFoundWithOthers" numerus="yes">
        <source>statusFoundWithOthers</source>
        <translation>
            <numerusform>%n device (%1, %2, %3)</numerusform>
            <numerusform>%n devices (%1, %2, %3)</numerusform>
        </translation>
    </message>
    <message id="statusOthers" numerus="yes">
        <source>statusOthers</source>
        <translation>
            <numerusform>%n other</numerusform>
            <numerusform>%n others</numerusform>
        </translation>
    </message>
    <message id="statusFiltered" numerus="yes">
        <source>statusFiltered</source>
        <translation>
            <numerusform>%1 of %n device</numerusform>
            <numerusform>%1 of %n devices</numerusform>
        </translation>
    </message>
    <message id="statusChecking" numerus="yes">
        <source>statusChecking</source>
        <translation>
            <numerusform>%1, %n still being checked</numerusform>
            <numerusform>%1, %n still being checked</numerusform>
        </translation>
    </message>
</context>
</TS>
