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
</context>
</TS>
