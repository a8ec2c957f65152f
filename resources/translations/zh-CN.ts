<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>live tip</source>
        <translation>直播提示</translation>
    </message>
</context>
<context>
    <name>PreviewCombineLogic</name>
    <message>
        <source>pic %1</source>
        <translation>图片 %1</translation>
    </message>
    <message>
        <source>text %1</source>
        <translation>文字 %1</translation>
    </message>
</context>
<context>
    <name>PreviewContainer</name>
    <message>
        <source>You can add five words at most!</source>
        <translation>最多只能添加五个文字图层！</translation>
    </message>
    <message>
        <source>camera has add.</source>
        <translation>摄像头已经添加过了。</translation>
    </message>
</context>
<context>
    <name>LayerMenu</name>
    <message>
        <source>edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>tofirst</source>
        <translation>置于顶层</translation>
    </message>
    <message>
        <source>tolast</source>
        <translation>置于底层</translation>
    </message>
    <message>
        <source>layermgr</source>
        <translation>图层管理</translation>
    </message>
</context>
<context>
    <name>GamePicLayer</name>
    <message>
        <source>no process/desktop pic</source>
        <translation>暂无游戏或桌面画面</translation>
    </message>
</context>
<context>
    <name>TipMessageWindow</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
