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
    <message id="copyRow">
        <source>copyRow</source>
        <translation>行をコピー</translation>
    </message>
    <message id="copyAllRows">
        <source>copyAllRows</source>
        <translation>すべての行をコピー</translation>
    </message>
    <message id="copyMacAddress">
        <source>copyMacAddress</source>
        <translation>MAC アドレスをコピー</translation>
    </message>
    <message id="copyIpv4Address">
        <source>copyIpv4Address</source>
        <translation>IPv4 アドレスをコピー</translation>
    </message>
    <message id="copyIpv6Address">
        <source>copyIpv6Address</source>
        <translation>IPv6 アドレスをコピー</translation>
    </message>
    <message id="copyAutoIpAddress">
        <source>copyAutoIpAddress</source>
        <translation>自動 IP アドレスをコピー</translation>
    </message>
    <message id="copyModel">
        <source>copyModel</source>
        <translation>モデル名をコピー</translation>
    </message>
    <message id="copySerialNumber">
        <source>copySerialNumber</source>
        <translation>シリアル番号をコピー</translation>
    </message>
    <message id="openPage">
        <source>openPage</source>
        <translation>%1 を開く</translation>
    </message>
    <message id="copyPageUrl">
        <source>copyPageUrl</source>
        <translation>%1 をコピー</translation>
    </message>
    <message id="outsideNetworks">
        <source>outsideNetworks</source>
        <translation>%1 は応答しませんでした。このコンピューターのネットワーク (%2) の外にあり、間のルーターやファイアウォールが通信を妨げている可能性があります。</translation>
    </message>
    <message id="outsideNoNetwork">
        <source>outsideNoNetwork</source>
        <translation>%1 は応答しませんでした。このコンピューターのネットワークの外にあり (IPv4 ネットワークがありません)、間のルーターやファイアウォールが通信を妨げている可能性があります。</translation>
    </message>
    <message id="networkOnInterface">
        <source>networkOnInterface</source>
        <translation>%2 の %1</translation>
    </message>
    <message id="cameraTable">
        <source>cameraTable</source>
        <translation>カメラ一覧</translation>
    </message>
    <message id="searchStatus">
        <source>searchStatus</source>
        <translation>検索状況</translation>
    </message>
    <message id="filter">
        <source>filter</source>
        <translation>絞り込み</translation>
    </message>
    <message id="linkTo">
        <source>linkTo</source>
        <translation>%1 へのリンク</translation>
    </message>
    <message id="nothingFound">
        <source>nothingFound</source>
        <translation>デバイスが見つかりませんでした。</translation>
    </message>
    <message id="nothingFoundInterfaces">
        <source>nothingFoundInterfaces</source>
        <translation>検索したインターフェース: %1</translation>
    </message>
    <message id="nothingFoundNoInterface">
        <source>nothingFoundNoInterface</source>
        <translation>マルチキャストを使えるネットワークインターフェースがありません。</translation>
    </message>
    <message id="nothingFoundPortClosed">
        <source>nothingFoundPortClosed</source>
        <translation>UDP ポート 5353 を開けませんでした: %1</translation>
    </message>
    <message id="nothingFoundPortShared">
        <source>nothingFoundPortShared</source>
        <translation>UDP ポート 5353 は開いています (別の mDNS プログラムと共有)。</translation>
    </message>
    <message id="nothingFoundPortOpen">
        <source>nothingFoundPortOpen</source>
        <translation>UDP ポート 5353 は開いています。</translation>
    </message>
    <message id="nothingFoundFirewall">
        <source>nothingFoundFirewall</source>
        <translation>ファイアウォールが mDNS を遮断している場合は許可してください: firewall-cmd --add-service=mdns または ufw allow 5353/udp</translation>
    </message>
    <message id="statusSearching" numerus="yes">
        <source>statusSearching</source>
        <translation>
            <numerusform>検索中… %n 台</numerusform>
        </translation>
    </message>
    <message id="statusFound" numerus="yes">
        <source>statusFound</source>
        <translation>
            <numerusform>%n 台 (%1、%2)</numerusform>
        </translation>
    </message>
    <message id="statusCameras" numerus="yes">
        <source>statusCameras</source>
        <translation>
            <numerusform>カメラ %n 台</numerusform>
        </translation>
    </message>
    <message id="statusControllers" numerus="yes">
        <source>statusControllers</source>
        <translation>
            <numerusform>コントローラー %n 台</numerusform>
        </translation>
    </message>
    <message id="statusFoundWithOthers" numerus="yes">
        <source>statusFoundWithOthers</source>
        <translation>
            <numerusform>%n 台 (%1、%2、%3)</numerusform>
        </translation>
    </message>
    <message id="statusOthers" numerus="yes">
        <source>statusOthers</source>
        <translation>
            <numerusform>その他 %n 台</numerusform>
        </translation>
    </message>
    <message id="statusFiltered" numerus="yes">
        <source>statusFiltered</source>
        <translation>
            <numerusform>%n 台中 %1 台</numerusform>
        </translation>
    </message>
    <message id="statusChecking" numerus="yes">
        <source>statusChecking</source>
        <translation>
            <numerusform>%1、確認中 %n 台</numerusform>
        </translation>
    </message>
</context>
</TS>
