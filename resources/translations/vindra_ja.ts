<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name></name>
    <message id="applicationName">
        <source>applicationName</source>
        <translation>Vindra</translation>
    </message>
    <message id="searchCamera">
        <source>searchCamera</source>
        <translation>カメラを検索</translation>
    </message>
    <message id="aboutApplication">
        <source>aboutApplication</source>
        <translation>Vindra について</translation>
    </message>
    <message id="exitApplication">
        <source>exitApplication</source>
        <translation>終了</translation>
    </message>
    <message id="version">
        <source>version</source>
        <translation>バージョン</translation>
    </message>
    <message id="allRightsReserved">
        <source>allRightsReserved</source>
        <translation>無断複製・転載を禁じます。</translation>
    </message>
    <message id="macAddress">
        <source>macAddress</source>
        <translation>MAC アドレス</translation>
    </message>
    <message id="ipv4Address">
        <source>ipv4Address</source>
        <translation>IPv4 アドレス</translation>
    </message>
    <message id="ipv6Address">
        <source>ipv6Address</source>
        <translation>IPv6 アドレス</translation>
    </message>
    <message id="autoIpAddress">
        <source>autoIpAddress</source>
        <translation>自動 IP アドレス</translation>
    </message>
    <message id="modelName">
        <source>modelName</source>
        <translation>モデル名</translation>
    </message>
    <message id="serialNo">
        <source>serialNo</source>
        <translation>シリアル番号</translation>
    </message>
</context>
</TS>
